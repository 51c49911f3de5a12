#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;

// While it exists, the application's windows take no mouse, keyboard, touch or tablet
// input: it waits, and reaches its targets in order once the hold ends. Window-system
// requests such as closing still pass, which waiting with QEventLoop::ExcludeUserInputEvents
// would hold back on X11.
class UserInputHold : public QObject
{
public:
    UserInputHold();
    ~UserInputHold() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Held
    {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> m_held;
};
