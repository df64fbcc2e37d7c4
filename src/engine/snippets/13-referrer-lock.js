// Referrer lock: the page may only be reached from a page whose address
// starts with vx_rlu (declared by the script element that calls the
// decoder), compared without regard to case; an empty lock address allows
// every visit. Otherwise the page is hidden and left.
(function () {
    try {
        var want = typeof vx_rlu == "string" ? vx_rlu.toLowerCase() : "";
        if (String(document.referrer).toLowerCase().indexOf(want) != 0) {
            try { document.documentElement.style.display = "none"; } catch (e) {}
            try { window.stop(); } catch (e) {}
            location.replace("about:blank");
        }
    } catch (e) {}
})();
