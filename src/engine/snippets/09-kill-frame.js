// Kill frame: a page shown inside a frame makes itself the top page. When
// the browser refuses that (a foreign frame without a user gesture, a
// sandbox), the page stays invisible in the frame and tries again on the
// visitor's first click, which counts as a gesture.
(function () {
    try {
        if (window.top === window.self) return;
        var here = String(location.href);
        try { document.documentElement.style.setProperty("opacity", "0", "important"); } catch (e) {}
        var leave = function () {
            try { window.top.location.replace(here); return; } catch (x) {}
            try { window.open(here, "_top"); } catch (x) {}
        };
        window.addEventListener("click", function (e) {
            try { e.preventDefault(); leave(); } catch (x) {}
        }, true);
        leave();
    } catch (e) {}
})();
