// No print screen: the system puts the screenshot on the clipboard when the
// PrintScreen key is pressed; the page only hears of it afterwards, so it
// overwrites the clipboard with an empty text wherever the browser lets a
// page write there (synchronous copy and the asynchronous clipboard alike).
(function () {
    try {
        var wipe = function () {
            var h = function (e) {
                try { e.clipboardData.setData("text/plain", ""); e.preventDefault(); } catch (x) {}
            };
            try {
                document.addEventListener("copy", h, true);
                document.execCommand("copy");
            } catch (x) {}
            try { document.removeEventListener("copy", h, true); } catch (x) {}
            try {
                if (navigator.clipboard && navigator.clipboard.writeText) {
                    navigator.clipboard.writeText("").then(null, function () {});
                }
            } catch (x) {}
        };
        var onKey = function (e) {
            try { if (e.key == "PrintScreen" || e.keyCode == 44) wipe(); } catch (x) {}
        };
        window.addEventListener("keyup", onKey, true);
        window.addEventListener("keydown", onKey, true);
    } catch (e) {}
})();
