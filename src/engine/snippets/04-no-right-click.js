// No right mouse click: the context menu is refused. The mouse, the menu
// key and Shift+F10 all raise contextmenu; the page's own handlers still run.
(function () {
    try {
        window.addEventListener("contextmenu", function (e) {
            try { e.preventDefault(); } catch (x) {}
        }, true);
    } catch (e) {}
})();
