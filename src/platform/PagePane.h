#pragma once

#include <QObject>
#include <QString>

class QWidget;

// One embedded HTML view. The program only writes whole documents into it and
// listens to its two notifications; a pane never loads a page by itself.
class PagePane : public QObject
{
    Q_OBJECT
public:
    // Navigation flags of BeforeNavigate2: a click on a link in the page.
    static constexpr int HyperlinkFlag = 64;

    using QObject::QObject;
    ~PagePane() override = default;

    // The program's own navigation; reported with flags 0.
    virtual void Navigate(const QString &url) = 0;
    // document.open(): the previous content is discarded.
    virtual void open() = 0;
    // document.write(): the text becomes the pane's content and is shown.
    virtual void write(const QString &html) = 0;
    virtual void Refresh() = 0;
    // The body's "Scroll" attribute ("no" hides the scroll bars).
    virtual void setBodyScroll(const QString &value) = 0;

    // Placement relative to the containing frame, in twips.
    virtual void setWidth(double twips) = 0;
    virtual void setHeight(double twips) = 0;
    virtual void setTop(double twips) = 0;
    virtual void setLeft(double twips) = 0;

    // The widget a busy notice may cover, or nullptr for a pane that is not on screen.
    virtual QWidget *noticeHost() const { return nullptr; }

signals:
    // url is the link target as written in the page; set *cancel to stop it.
    void BeforeNavigate2(const QString &url, int flags, bool *cancel);
    void DocumentComplete();
};
