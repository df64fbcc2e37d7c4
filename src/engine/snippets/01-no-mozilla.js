// No Mozilla users: a visitor whose browser runs on Gecko (Firefox and its
// relatives, Firefox for iOS by its name) gets an empty page instead. The
// content is hidden at once, loading stops and the address is replaced, so
// Back does not lead here again.
(function () {
    try {
        var ua = String(navigator.userAgent);
        if (/\bGecko\/\d|\bFirefox\/|\bFxiOS\//.test(ua) || typeof window.mozInnerScreenX == "number") {
            try { document.documentElement.style.display = "none"; } catch (e) {}
            try { window.stop(); } catch (e) {}
            location.replace("about:blank");
        }
    } catch (e) {}
})();
