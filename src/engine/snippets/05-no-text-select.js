// No text select: the page's text can't be selected by mouse or keyboard.
// Form fields stay selectable so that the visitor can still type and edit.
(function () {
    try {
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
