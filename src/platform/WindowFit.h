#pragma once

#include <QSize>

// How large a window of fixed content may be on a screen: the content's own size where
// it fits the screen's available area, else that area, with the content scrolling.
namespace WindowFit {

struct Fit
{
    QSize window;         // the window's client size
    bool scrolls = false; // the content does not fit and scrolls in the window
};

// available: the screen's available area; decorations: what the window manager's frame
// takes around the client area; scrollBar: the extent of one scroll bar.
Fit fit(QSize content, QSize available, QSize decorations, int scrollBar);

} // namespace WindowFit
