#include "UserInputHold.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

enum class Input { None, Motion, Action };

Input inputKind(QEvent::Type type)
{
    switch (type) {
    // The pointer's path means nothing once the wait is over.
    case QEvent::MouseMove:
    case QEvent::TabletMove:
    case QEvent::TouchUpdate:
        return Input::Motion;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
        return Input::Action;
    default:
        // ShortcutOverride only asks whether a key is the focus widget's own; answering it
        // now acts on nothing, and the key itself waits.
        return Input::None;
    }
}

} // namespace

UserInputHold::UserInputHold()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

UserInputHold::~UserInputHold()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    // Posted, not sent: whatever they start runs from the event loop, after the routine
    // that waited has finished.
    for (Held &held : m_held) {
        if (held.target)
            QCoreApplication::postEvent(held.target, held.event.release());
    }
}

bool UserInputHold::eventFilter(QObject *watched, QEvent *event)
{
    switch (inputKind(event->type())) {
    case Input::None:
        return QObject::eventFilter(watched, event);
    case Input::Motion:
        return true;
    case Input::Action:
        m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
        return true;
    }
    return true;
}
