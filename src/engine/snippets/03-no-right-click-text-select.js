// No right mouse click and no text select together: the context menu is
// refused (mouse, menu key and Shift+F10 all raise contextmenu), and text
// can't be selected except inside form fields, where the visitor types.
(function () {
    try {
        window.addEventListener("contextmenu", function (e) {
            try { e.preventDefault(); } catch (x) {}
        }, true);
        window.addEventListener("selectstart", function (e) {
            try {
                var n = e.target;
                if (n && n.nodeType != 1) n = n.parentNode;
                if (!(n && n.closest && n.closest("input,textarea,select,[contenteditable]"))) e.preventDefault();
            } catch (x) {}
        }, true);
        var st = document.createElement("style");
        st.appendChild(document.createTextNode(
            "html,body{-webkit-user-select:none;-moz-user-select:none;user-select:none}" +
            "input,textarea,[contenteditable]{-webkit-user-select:text;-moz-user-select:text;user-select:text}"));
        (document.head || document.documentElement).appendChild(st);
    } catch (e) {}
})();
