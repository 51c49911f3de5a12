#include "app/KeyboardNavigation.h"

#include "context/Form1Controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

KeyboardNavigation::KeyboardNavigation(QWidget *window, const Form1Controls &ui,
                                       const QVector<QWidget *> &stops)
    : QObject(window), m_up(ui.Cmd_UpPage), m_down(ui.Cmd_DownPage)
{
    for (QWidget *stop : stops)
        m_stops.append(stop);
    for (QPushButton *button : {ui.Cmd_Search, ui.Cmd_UpPage, ui.Cmd_DownPage})
        button->installEventFilter(this);

    auto shortcut = [this, window](QKeySequence keys, auto slot) {
        auto *s = new QShortcut(keys, window);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { focusKeyword(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_L), [this] { focusKeyword(); });
    shortcut(QKeySequence(Qt::Key_F6), [this] { cycle(1); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { cycle(-1); });
    // Only where the button could be clicked: a disabled one turns no page.
    shortcut(QKeySequence(Qt::Key_PageDown), [this] { press(m_down); });
    shortcut(QKeySequence(Qt::Key_PageUp), [this] { press(m_up); });
}

bool KeyboardNavigation::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            press(qobject_cast<QPushButton *>(watched));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void KeyboardNavigation::focusKeyword()
{
    if (m_stops.isEmpty() || !m_stops.first())
        return;
    m_stops.first()->setFocus(Qt::ShortcutFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(m_stops.first().data()))
        edit->selectAll();
}

void KeyboardNavigation::cycle(int step)
{
    const int count = int(m_stops.size());
    if (count == 0)
        return;
    // From the stop that holds the focus, or holds a widget that does.
    int current = -1;
    for (QWidget *w = QApplication::focusWidget(); w && current < 0; w = w->parentWidget())
        current = int(m_stops.indexOf(w));
    // Inside Frame4 but not in the keyword box counts as the controls.
    if (current < 0)
        current = 0;
    for (int i = 1; i <= count; ++i) {
        QWidget *next = m_stops.at(((current + step * i) % count + count) % count);
        if (next && next->isVisible()) {
            // Not as a tab or back tab: a page given the focus that way takes its first or
            // last link along, and Tab from the last link leaves the pane.
            next->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

void KeyboardNavigation::press(QPushButton *button)
{
    if (button && button->isEnabled() && button->isVisible())
        button->click();
}
