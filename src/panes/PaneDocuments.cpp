#include "PaneDocuments.h"

#include "PaneScheme.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QWebEngineUrlRequestJob>

namespace {

// Before the document's own markup, so any style of its own wins; after its
// doctype, so the text is laid out in the mode it asks for. The margins match
// the layout's offsets.
QByteArray withDefaults(const QString &html, const QUrl &base)
{
    static const QRegularExpression doctype(QStringLiteral("^\\s*<!doctype[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    const qsizetype split = qMax<qsizetype>(0, doctype.match(html).capturedEnd());
    const QString defaults =
        QStringLiteral("<base href=\"%1\"><style>body{margin:15px 10px}</style>")
            .arg(base.toString(QUrl::FullyEncoded).toHtmlEscaped());
    return (html.left(split) + defaults + html.mid(split)).toUtf8();
}

// A document's bytes as the engine reads them. The engine reads a large body a
// piece at a time and reads on when told that more can be read; a plain buffer
// says so only when written to, and the engine would wait long between pieces.
class DocumentBody : public QBuffer
{
public:
    DocumentBody(const QByteArray &bytes, QObject *parent) : QBuffer(parent)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 read = QBuffer::readData(data, maxSize);
        if (read > 0 && pos() + read < size())
            QMetaObject::invokeMethod(this, &QIODevice::readyRead, Qt::QueuedConnection);
        return read;
    }
};

} // namespace

int PaneDocuments::addPane()
{
    m_documents.insert(++m_lastPane, Document());
    return m_lastPane;
}

void PaneDocuments::removePane(int pane)
{
    m_documents.remove(pane);
}

QUrl PaneDocuments::store(int pane, const QString &html, const QUrl &base)
{
    Document &document = m_documents[pane];
    ++document.serial;
    document.bytes = withDefaults(html, base);
    QUrl url;
    url.setScheme(QString::fromLatin1(PaneScheme::Name));
    url.setHost(QString::fromLatin1(PaneScheme::Host));
    url.setPath(QStringLiteral("/%1/%2").arg(pane).arg(document.serial));
    return url;
}

void PaneDocuments::requestStarted(QWebEngineUrlRequestJob *job)
{
    // Only the newest document of a pane is answered: an address kept from an
    // earlier write, or named by a document, finds nothing.
    const QUrl url = job->requestUrl();
    const QStringList parts = url.path().mid(1).split(QLatin1Char('/'));
    bool paneOk = false, serialOk = false;
    const int pane = parts.value(0).toInt(&paneOk);
    const quint64 serial = parts.value(1).toULongLong(&serialOk);
    const auto found = m_documents.constFind(pane);
    if (job->requestMethod() != "GET" || url.host() != QLatin1String(PaneScheme::Host) ||
        parts.size() != 2 || !paneOk || !serialOk || found == m_documents.cend() ||
        found->serial != serial) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    job->reply("text/html;charset=utf-8", new DocumentBody(found->bytes, job));
}
