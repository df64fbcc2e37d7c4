// No page printing: print media hides the body, so a printout or a PDF is
// blank; the body is also hidden inline between beforeprint and afterprint
// (stronger than any rule of the page), Ctrl+P / Cmd+P is swallowed and
// the page's own calls of window.print do nothing.
(function () {
    try {
        var st = document.createElement("style");
        st.appendChild(document.createTextNode("@media print{html body{display:none!important}}"));
        (document.head || document.documentElement).appendChild(st);
        var old = null;
        window.addEventListener("beforeprint", function () {
            try {
                var b = document.body;
                if (b && old === null) {
                    old = b.style.getPropertyValue("display") + "|" + b.style.getPropertyPriority("display");
                    b.style.setProperty("display", "none", "important");
                }
            } catch (x) {}
        }, true);
        window.addEventListener("afterprint", function () {
            try {
                var b = document.body, p = old === null ? null : old.split("|");
                old = null;
                if (b && p) {
                    if (p[0]) b.style.setProperty("display", p[0], p[1]);
                    else b.style.removeProperty("display");
                }
            } catch (x) {}
        }, true);
        window.addEventListener("keydown", function (e) {
            try {
                if ((e.ctrlKey || e.metaKey) && !e.altKey && (e.keyCode == 80 || String(e.key).toLowerCase() == "p")) {
                    e.preventDefault();
                }
            } catch (x) {}
        }, true);
        try { window.print = function () {}; } catch (e) {}
    } catch (e) {}
})();
