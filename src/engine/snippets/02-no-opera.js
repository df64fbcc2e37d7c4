// No Opera users: Opera (its desktop and mobile names, or the objects it
// adds to the window) gets an empty page instead, as for Mozilla users.
(function () {
    try {
        var ua = String(navigator.userAgent);
        if (/\bOPR\/|\bOpera\b|\bOPiOS\/|\bOPT\//.test(ua) || typeof window.opr == "object" ||
            typeof window.opera == "object") {
            try { document.documentElement.style.display = "none"; } catch (e) {}
            try { window.stop(); } catch (e) {}
            location.replace("about:blank");
        }
    } catch (e) {}
})();
