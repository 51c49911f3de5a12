#pragma once

#include <QLabel>

// A narrow caption that shows one character a line at the font's em pitch, as a
// 宋体 caption does; CJK fallback fonts have taller lines that would overflow the box.
class VerticalCaption : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
