// Whether the click capture runs in this document.
(function () {
    return window.kestrovaCapture === true;
})
