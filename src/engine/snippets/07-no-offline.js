// No off-line viewing: the page may only be viewed as served by a web
// server. Opened from a file (a saved copy, a copy from the browser cache)
// or any other non-web address, it is hidden and left for an empty page.
(function () {
    try {
        var p = String(location.protocol).toLowerCase();
        if (p != "http:" && p != "https:") {
            try { document.documentElement.style.display = "none"; } catch (e) {}
            try { window.stop(); } catch (e) {}
            location.replace("about:blank");
        }
    } catch (e) {}
})();
