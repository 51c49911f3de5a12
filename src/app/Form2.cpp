#include "app/Form2.h"

#include "app/Form1.h"
#include "panes/PaneEngine.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QTimer>

// The icon lives in the application library's resources, which a static library must register.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {
Form1Options &mainWindowOptions()
{
    static Form1Options options;
    return options;
}
} // namespace

void Form2::setMainWindowOptions(const Form1Options &options)
{
    mainWindowOptions() = options;
}

Form2::Form2(QWidget *parent) : QWidget(parent), m_label1(new QLabel(this))
{
    setWindowTitle(QString());
    // The caption stays empty; the icon is the program's, as on the main window.
    initResources();
    setWindowIcon(QIcon(QStringLiteral(":/kestrova/Form1.png")));
    setFixedSize(Twips::rect(0, 0, 4755, 1680).size());
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setText(QStringLiteral("请稍后正在加载数据"));
    m_label1->setGeometry(Twips::rect(420, 540, 4095, 615));
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(21.75);
    font.setWeight(QFont::Normal);
    m_label1->setFont(font);
    QPalette palette = m_label1->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_label1->setPalette(palette);
}

bool Form2::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &Form2::Form_Activate);
    return QWidget::event(event);
}

void Form2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Some platforms (offscreen, some window managers) never activate the window.
    QTimer::singleShot(200, this, &Form2::Form_Activate);
}

void Form2::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // Without a window manager no activation comes: the window on screen is as
    // active as it gets, so the load starts once it has painted.
    if (!m_painted) {
        m_painted = true;
        QTimer::singleShot(0, this, &Form2::Form_Activate);
    }
}

void Form2::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_closed = true;
    // The main window's load may be waiting on a fetch under this call.
    if (m_form1)
        m_form1->Form_Unload();
    else
        QCoreApplication::exit(0);
}

void Form2::Form_Activate()
{
    if (m_activated)
        return;
    m_activated = true;
    // Let the label paint before the main window's load blocks the thread.
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_closed)
        return;

    // The engine starts while this window shows: the main window's panes start on
    // a ready profile and a renderer already on its way.
    PaneEngine::warm();
    m_form1 = new Form1(mainWindowOptions());
    m_form1->setAttribute(Qt::WA_DeleteOnClose);
    m_form1->Show();

    hide();
    emit unloaded();
    deleteLater();
}
