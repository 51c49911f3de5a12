#include "PaneScripts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace PaneScripts {

namespace {

// A text as a JavaScript expression.
QString literal(const QString &text)
{
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json) + QStringLiteral("[0]");
}

// Clicks on links are taken before the page sees them: the default action is
// cancelled and the href attribute, exactly as written, goes to the pane. A
// pseudo-link such as http://[cid=16][name=...] never reaches the URL parser.
// The default margins match the layout's offsets; a <style> placed first in
// <head> lets any style of the document itself win.
const char CaptureScript[] = R"JS(
(function () {
    'use strict';
    // The pane runs it again when a document seems to lack it.
    if (window.paneCaptureInstalled)
        return;
    window.paneCaptureInstalled = true;
    var bridge = null;
    var pending = [];
    var pendingLoads = [];
    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects.@BRIDGE@;
        pending.splice(0).forEach(function (href) { bridge.linkClicked(href); });
        pendingLoads.splice(0).forEach(function (mark) { bridge.documentLoaded(mark); });
    });
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

    // The pane's mark is the comment it put first; it tells the pane which of its
    // writes this document is, whatever the engine's load signals say. Once the
    // text is in and its pictures have loaded, the pane is told again.
    function report(mark) {
        if (bridge)
            bridge.documentLoaded(mark);
        else
            pendingLoads.push(mark);
    }
    window.paneReport = report;
    function reportLoad() {
        report(@MARK_OF_DOCUMENT@);
    }
    if (document.readyState === 'complete')
        reportLoad();
    else
        window.addEventListener('load', reportLoad);

    function addDefaults() {
        var head = document.head;
        if (!head)
            return false;
        if (!head.querySelector('style[data-pane-defaults]')) {
            var style = document.createElement('style');
            style.setAttribute('data-pane-defaults', '');
            style.textContent = 'body{margin:15px 10px}';
            head.insertBefore(style, head.firstChild);
        }
        return true;
    }
    window.paneAddDefaults = addDefaults;
    if (!addDefaults()) {
        var observer = new MutationObserver(function () {
            if (addDefaults())
                observer.disconnect();
        });
        observer.observe(document, {childList: true, subtree: true});
    }
})();
)JS";

const char ScrollScript[] = R"JS(
(function (value) {
    var body = document.body;
    if (!body)
        return false;
    body.setAttribute('scroll', value);
    var hidden = value.toLowerCase() === 'no';
    body.style.overflow = hidden ? 'hidden' : '';
    document.documentElement.style.overflow = hidden ? 'hidden' : '';
    return true;
})(@VALUE@)
)JS";

// Puts the text into the loaded skeleton. Its value is true when every picture
// has already settled; otherwise the written mark is reported once they have,
// as the window's load event would for a loaded document.
const char ReplaceScript[] = R"JS(
(function (html, mark) {
    document.documentElement.innerHTML = html;
    if (window.paneAddDefaults)
        window.paneAddDefaults();
    var pending = 0;
    function settled() {
        if (--pending === 0) {
            window.paneWritten = mark;
            if (window.paneReport)
                window.paneReport(mark);
        }
    }
    Array.prototype.forEach.call(document.images, function (picture) {
        // A lazy picture out of sight loads only when scrolled to.
        if (picture.complete || picture.loading === 'lazy')
            return;
        ++pending;
        picture.addEventListener('load', settled);
        picture.addEventListener('error', settled);
    });
    if (pending === 0)
        window.paneWritten = mark;
    return pending === 0;
})(@HTML@, @MARK@)
)JS";

const char MarkOfDocument[] =
    "(function () { for (var n = document.firstChild; n; n = n.nextSibling)"
    " if (n.nodeType === 8) return n.data; return ''; })()";

} // namespace

QString documentCreation()
{
    // Built once: the probe at each load end carries it too.
    static const QString script = [] {
        QFile channelJs(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QString source;
        if (channelJs.open(QIODevice::ReadOnly))
            source = QString::fromUtf8(channelJs.readAll());
        else
            qWarning("qwebchannel.js is missing: link clicks cannot reach the program");
        return source + QLatin1Char('\n') +
               QString::fromLatin1(CaptureScript)
                   .replace(QStringLiteral("@BRIDGE@"), QLatin1String(BridgeName))
                   .replace(QStringLiteral("@MARK_OF_DOCUMENT@"), QLatin1String(MarkOfDocument));
    }();
    return script;
}

QString loadedMark()
{
    static const QString script = documentCreation() +
                                  QStringLiteral("\ndocument.readyState === 'complete' ? ") +
                                  QLatin1String(MarkOfDocument) + QStringLiteral(" : ''");
    return script;
}

QString writtenMark()
{
    return QStringLiteral("window.paneWritten || ''");
}

QString documentMark(quint64 serial)
{
    return QStringLiteral("pane %1").arg(serial);
}

QString bodyScroll(const QString &value)
{
    return QString::fromLatin1(ScrollScript).replace(QStringLiteral("@VALUE@"), literal(value));
}

QString writtenDocumentMark(quint64 serial)
{
    return documentMark(serial) + QStringLiteral(" written");
}

QString replaceDocument(const QString &html, const QString &mark)
{
    return QString::fromLatin1(ReplaceScript)
        .replace(QStringLiteral("@MARK@"), literal(mark))
        .replace(QStringLiteral("@HTML@"), literal(html));
}

} // namespace PaneScripts
