#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class QPushButton;
class QWidget;
struct Form1Controls;

// Keys beyond the tab order: Return and Enter press a focused button, Ctrl+F and
// Ctrl+L go to the keyword box, F6 and Shift+F6 move between the controls and the
// panes, Page Down and Page Up turn the page.
class KeyboardNavigation : public QObject
{
    Q_OBJECT
public:
    // stops: the keyword box first, then the focus widgets of the panes, in F6 order.
    KeyboardNavigation(QWidget *window, const Form1Controls &ui, const QVector<QWidget *> &stops);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusKeyword();
    void cycle(int step);
    static void press(QPushButton *button);

    QVector<QPointer<QWidget>> m_stops;
    QPointer<QPushButton> m_up;
    QPointer<QPushButton> m_down;
};
