#include "platform/WindowFit.h"

#include <algorithm>

namespace WindowFit {

Fit fit(QSize content, QSize available, QSize decorations, int scrollBar)
{
    const QSize room = (available - decorations).expandedTo(QSize(1, 1));
    if (content.width() <= room.width() && content.height() <= room.height())
        return {content, false};
    // A bar across one side takes room from the other, which may then need its own bar.
    bool across = content.width() > room.width();
    bool down = content.height() > room.height();
    for (int pass = 0; pass < 2; ++pass) {
        across = across || content.width() + (down ? scrollBar : 0) > room.width();
        down = down || content.height() + (across ? scrollBar : 0) > room.height();
    }
    const QSize wanted(content.width() + (down ? scrollBar : 0),
                       content.height() + (across ? scrollBar : 0));
    return {wanted.boundedTo(room), true};
}

} // namespace WindowFit
