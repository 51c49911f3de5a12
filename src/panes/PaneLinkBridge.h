#pragma once

#include <QObject>
#include <QString>

// The pane's end of the web channel: the click-capture script in the
// application world hands it the raw href attribute of a clicked link, and
// tells it when a document has loaded.
class PaneLinkBridge : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE void linkClicked(const QString &href) { emit clicked(href); }
    // mark: the text of the document's first comment, empty when it has none.
    Q_INVOKABLE void documentLoaded(const QString &mark) { emit loaded(mark); }

signals:
    void clicked(const QString &href);
    void loaded(const QString &mark);
};
