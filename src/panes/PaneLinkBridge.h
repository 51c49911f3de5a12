#pragma once

#include <QObject>
#include <QString>

// The pane's end of the web channel: the click-capture script in the
// application world hands it the raw href attribute of a clicked link.
class PaneLinkBridge : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE void linkClicked(const QString &href) { emit clicked(href); }

signals:
    void clicked(const QString &href);
};
