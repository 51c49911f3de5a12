#pragma once

#include "app/Form1.h"

#include <QWidget>

class QLabel;

// The small loading window. When it becomes active it loads and shows the main
// window, then unloads itself.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);

    QLabel *label() const { return m_label1; }
    // The main window it opened, once Form_Activate has run.
    Form1 *mainWindow() const { return m_form1; }

    void Form_Activate();

    // What the main window is opened with (tests substitute platform services).
    static void setMainWindowOptions(const Form1Options &options);

signals:
    void unloaded();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Closed by the user before it unloaded itself: the program ends.
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_label1;
    Form1 *m_form1 = nullptr;
    bool m_activated = false;
    bool m_painted = false;
    bool m_closed = false;
};
