// Runs in the application world of every pane document, after qwebchannel.js.
// Clicks on links are taken before the page sees them: the default action is
// cancelled and the href attribute, exactly as written, goes to the pane. A
// pseudo-link such as http://[cid=16][name=...] never reaches the URL parser.
(function () {
    'use strict';
    if (window.kestrovaCapture)
        return;
    window.kestrovaCapture = true;
    var bridge = null;
    var pending = [];
    var transport = qt.webChannelTransport;
    var channel = new QWebChannel(transport, function (ready) {
        bridge = ready.objects.kestrovaPane;
        pending.splice(0).forEach(function (href) { bridge.linkClicked(href); });
    });
    // The pane's one transport outlives its documents: an answer to a call the
    // document before this one made may still arrive here. Only answers this
    // document waits for go to its channel; the rest are dropped.
    var deliver = transport.onmessage;
    transport.onmessage = function (message) {
        var data = typeof message.data === 'string' ? JSON.parse(message.data) : message.data;
        if (data && Object.prototype.hasOwnProperty.call(data, 'id')
            && !Object.prototype.hasOwnProperty.call(channel.execCallbacks, data.id))
            return;
        deliver.call(transport, message);
    };
    function send(href) {
        if (bridge)
            bridge.linkClicked(href);
        else
            pending.push(href);
    }
    function linkOf(node) {
        for (; node; node = node.parentNode) {
            if (node.nodeType === 1 && (node.localName === 'a' || node.localName === 'area')
                && node.hasAttribute('href'))
                return node;
        }
        return null;
    }
    window.addEventListener('click', function (event) {
        var link = linkOf(event.target);
        if (!link)
            return;
        event.preventDefault();
        event.stopImmediatePropagation();
        if (event.button === 0)
            send(link.getAttribute('href'));
    }, true);
    window.addEventListener('auxclick', function (event) {
        if (linkOf(event.target))
            event.preventDefault();
    }, true);
})();
