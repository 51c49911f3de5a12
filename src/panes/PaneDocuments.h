#pragma once

#include <QByteArray>
#include <QHash>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Answers each pane's current document under the program's scheme. The address
// names the pane and the serial of its write, never the document, so no
// document text sits in an address or in the history.
class PaneDocuments : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // A number of the pane's own, for its addresses.
    int addPane();
    void removePane(int pane);

    // Keeps html as the pane's document and returns the address that serves it;
    // base is where its relative addresses resolve.
    QUrl store(int pane, const QString &html, const QUrl &base);

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    struct Document
    {
        quint64 serial = 0;
        QByteArray bytes;
    };
    QHash<int, Document> m_documents;
    int m_lastPane = 0;
};
