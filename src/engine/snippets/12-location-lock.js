// Location lock: the page may only be shown from an address that starts
// with vx_llu (declared by the script element that calls the decoder).
// Scheme and host name are case-insensitive and browsers lower-case them,
// so the addresses are compared without regard to case. An empty lock
// address allows every address. Elsewhere the page is hidden and left.
(function () {
    try {
        var want = typeof vx_llu == "string" ? vx_llu.toLowerCase() : "";
        if (String(location.href).toLowerCase().indexOf(want) != 0) {
            try { document.documentElement.style.display = "none"; } catch (e) {}
            try { window.stop(); } catch (e) {}
            location.replace("about:blank");
        }
    } catch (e) {}
})();
