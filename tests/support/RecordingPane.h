#pragma once

#include "platform/PagePane.h"

#include <QStringList>

// A pane that keeps what the program does to it, for routine-level tests.
class RecordingPane : public PagePane
{
    Q_OBJECT
public:
    using PagePane::PagePane;

    void Navigate(const QString &url) override;
    void open() override;
    void write(const QString &html) override;
    void Refresh() override { ++refreshCount; }
    void setBodyScroll(const QString &value) override { bodyScroll = value; }
    void setWidth(double twips) override { width = twips; }
    void setHeight(double twips) override { height = twips; }
    void setTop(double twips) override { top = twips; }
    void setLeft(double twips) override { left = twips; }

    // Raises BeforeNavigate2 as a click would; returns the cancel answer.
    bool click(const QString &link, int flags = HyperlinkFlag);

    QString text;            // the document as last written since the last open
    QStringList navigations; // Navigate() targets
    int openCount = 0;
    int writeCount = 0;
    int refreshCount = 0;
    QString bodyScroll;
    double width = 0, height = 0, top = 0, left = 0;
};
