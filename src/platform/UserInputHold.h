#pragma once

#include <QObject>

// While it exists, the application's windows take no mouse, keyboard, touch or tablet
// input: what arrives is dropped. Window-system requests such as closing still pass,
// which waiting with QEventLoop::ExcludeUserInputEvents would hold back on X11.
class UserInputHold : public QObject
{
public:
    UserInputHold();
    ~UserInputHold() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
