// No links in the status bar: browsers show the target of a link under the
// mouse, and a page can't turn that off. While the mouse is over a link its
// href is taken off (the link keeps its colour, underline and hand cursor)
// and put back on mouseout, and on mousedown so that every kind of click
// (left, middle, context menu) acts on the real link; after the click the
// href is taken off again while the mouse stays.
(function () {
    try {
        var find = function (t) {
            if (t && t.nodeType != 1) t = t.parentNode;
            return t && t.closest ? t.closest("a,area") : null;
        };
        var hide = function (a) {
            if (!a || a.vxHidden || !a.hasAttribute("href")) return;
            var cs = window.getComputedStyle(a);
            a.vxHidden = { href: a.getAttribute("href"), style: a.getAttribute("style") };
            a.style.color = cs.color;
            a.style.textDecoration = cs.textDecoration;
            a.style.cursor = "pointer";
            a.removeAttribute("href");
        };
        var show = function (a) {
            if (!a || !a.vxHidden) return;
            var h = a.vxHidden;
            a.vxHidden = null;
            a.setAttribute("href", h.href);
            // Written first: Chromium may leave style="" behind when an
            // inline style changed through a.style is removed at once.
            a.setAttribute("style", h.style === null ? "" : h.style);
            if (h.style === null) a.removeAttribute("style");
        };
        document.addEventListener("mouseover", function (e) {
            try { hide(find(e.target)); } catch (x) {}
        }, true);
        document.addEventListener("mouseout", function (e) {
            try {
                var a = find(e.target);
                if (a && !(e.relatedTarget && a.contains(e.relatedTarget))) show(a);
            } catch (x) {}
        }, true);
        document.addEventListener("mousedown", function (e) {
            try { show(find(e.target)); } catch (x) {}
        }, true);
        document.addEventListener("click", function (e) {
            try {
                var a = find(e.target);
                if (a) {
                    window.setTimeout(function () {
                        try { if (a.matches(":hover")) hide(a); } catch (x) {}
                    }, 0);
                }
            } catch (x) {}
        }, true);
    } catch (e) {}
})();
