// No drag and drop: nothing of the page (images, links, selected text) can
// be dragged out of it into another program or window.
(function () {
    try {
        window.addEventListener("dragstart", function (e) {
            try { e.preventDefault(); } catch (x) {}
        }, true);
    } catch (e) {}
})();
