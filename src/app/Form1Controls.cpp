// The window's controls: frames, labels, search controls and panes, at their
// design positions in twips.
#include "app/Form1.h"

#include "app/KeyboardNavigation.h"
#include "app/VerticalCaption.h"
#include "context/ApplicationTitle.h"
#include "panes/WebEnginePane.h"
#include "platform/Twips.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

// The icon lives in the core library's resources, which a static library must register.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

QFont songTi(double points)
{
    QFont font;
    // "宋体" where it exists; the CJK fonts of the platform otherwise.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

QString textColour(int r, int g, int b)
{
    return QStringLiteral("color: rgb(%1, %2, %3);").arg(r).arg(g).arg(b);
}

QLabel *addLabel(QWidget *parent, const QString &caption, QRect geometry, QColor colour)
{
    auto *label = new QLabel(caption, parent);
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The skin's brown marks the control that has the focus.
const char FocusBorder[] = "border: 2px solid rgb(192, 64, 0);";

QString listStyle(QColor text)
{
    return QStringLiteral("QComboBox { background: white; %1 } QComboBox:focus { %2 }")
        .arg(textColour(text.red(), text.green(), text.blue()), QLatin1String(FocusBorder));
}

QPushButton *addButton(QWidget *parent, const QString &caption, QRect geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: rgb(255, 192, 128);"
                       " border: 1px solid rgb(192, 128, 64); }"
                       "QPushButton:disabled { color: rgb(160, 120, 90); }"
                       "QPushButton:pressed { background-color: rgb(240, 170, 100); }"
                       "QPushButton:focus { ") +
        QLatin1String(FocusBorder) + QStringLiteral(" }"));
    return button;
}

QComboBox *addList(QWidget *parent, QRect geometry, const QString &style)
{
    auto *list = new QComboBox(parent);
    list->setEditable(false);
    list->setGeometry(geometry);
    list->setStyleSheet(style);
    list->setMaxVisibleItems(20);
    return list;
}

} // namespace

void Form1::createControls()
{
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    initResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/kestrova/Form1.png"), QSize(48, 48));
    setWindowIcon(icon);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    // The controls sit on a canvas of the laid-out size, in a scroll area that fills the
    // window: where the screen is too small for the layout, the canvas scrolls.
    m_canvas = new QWidget;
    m_canvas->setObjectName(QStringLiteral("Canvas"));
    m_canvas->setFixedSize(Twips::rect(0, 0, 14475, 10320).size());
    m_canvas->setAutoFillBackground(true);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidget(m_canvas);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    fitTo(QSize());
    QWidget *const canvas = m_canvas;

    // Frames. The panes cover them, so only the search-controls frame shows its caption.
    auto plainFrame = [canvas](QRect geometry) {
        auto *frame = new QFrame(canvas);
        frame->setGeometry(geometry);
        frame->setFrameShape(QFrame::NoFrame);
        return frame;
    };
    m_frames[2] = plainFrame(Twips::rect(3000, 60, 11595, 435));
    m_frames[3] = plainFrame(Twips::rect(3000, 420, 11595, 1125));
    auto *frame1 = new QGroupBox(QStringLiteral("所有分类"), canvas);
    frame1->setGeometry(Twips::rect(90, 360, 2655, 9945));
    m_frames[1] = frame1;
    auto *frame4 = new QGroupBox(QStringLiteral("条件"), canvas);
    frame4->setGeometry(Twips::rect(2970, 1290, 11595, 1575));
    frame4->setObjectName(QStringLiteral("Frame4"));
    frame4->setStyleSheet(QStringLiteral("QGroupBox#Frame4 { background-color: rgb(255, 243, 230); "
                                         "border: 1px solid rgb(230, 200, 170);"
                                         " margin-top: 0px; }"
                                         "QGroupBox#Frame4::title { subcontrol-origin: border; "
                                         "left: 6px; top: -1px; color: rgb(192, 64, 0); }"));
    m_frames[4] = frame4;
    m_frames[5] = plainFrame(Twips::rect(2760, 2760, 11835, 7365));
    for (int i = 1; i <= 5; ++i)
        m_frames[i]->setObjectName(QStringLiteral("Frame%1").arg(i));

    // Captions on the window itself.
    const QColor brown(192, 64, 0);
    QLabel *label6 =
        addLabel(canvas, QStringLiteral("所有分类"), Twips::rect(690, 60, 975, 255), brown);
    label6->setFont(songTi(12));
    struct Vertical
    {
        const char *caption;
        double left, top, width, height;
    };
    const Vertical verticals[] = {
        {"导 航", 2760, 30, 255, 525},
        {"当 前 子 类", 2790, 570, 255, 855},
        {"筛 选 条 件", 2760, 1680, 255, 855},
    };
    for (const Vertical &v : verticals) {
        // The spaced caption wraps to one character a line in its narrow box.
        QString caption = QString::fromUtf8(v.caption);
        caption.replace(QLatin1Char(' '), QLatin1Char('\n'));
        auto *label = new VerticalCaption(caption, canvas);
        label->setGeometry(Twips::rect(v.left, v.top, v.width, v.height));
        QPalette captionPalette = label->palette();
        captionPalette.setColor(QPalette::WindowText, brown);
        label->setPalette(captionPalette);
        label->setFont(songTi(10.5));
    }

    // Search controls inside Frame4.
    QWidget *f4 = frame4;
    const QColor darkRed(192, 0, 0);
    const QColor red(255, 0, 0);
    QLabel *keywordLabel =
        addLabel(f4, QStringLiteral("关键词："), Twips::rect(90, 495, 735, 315), darkRed);
    auto *keyword = new QLineEdit(QStringLiteral("Text1"), f4);
    keyword->setGeometry(Twips::rect(750, 390, 3915, 345));
    QPalette keywordPalette = keyword->palette();
    keywordPalette.setColor(QPalette::Text, darkRed);
    keyword->setPalette(keywordPalette);
    QComboBox *scope = addList(f4, Twips::rect(4740, 390, 3615, 300), listStyle(darkRed));
    QPushButton *search = addButton(f4, QStringLiteral("搜"), Twips::rect(8550, 390, 525, 315));
    QLabel *total1 =
        addLabel(f4, QStringLiteral("在当前类目下 找到"), Twips::rect(150, 840, 5805, 225), red);
    QLabel *total2 =
        addLabel(f4, QStringLiteral("3000个商品"), Twips::rect(180, 1140, 4545, 225), red);
    QPushButton *up = addButton(f4, QStringLiteral("上一页"), Twips::rect(4920, 930, 795, 315));
    QPushButton *down = addButton(f4, QStringLiteral("下一页"), Twips::rect(5820, 930, 735, 315));
    QLabel *pageLabel =
        addLabel(f4, QStringLiteral("第"), Twips::rect(6720, 960, 375, 255), darkRed);
    QComboBox *page = addList(f4, Twips::rect(6960, 930, 705, 300), listStyle(red));
    addLabel(f4, QStringLiteral("页"), Twips::rect(7710, 990, 225, 255), darkRed);
    QLabel *sortLabel =
        addLabel(f4, QStringLiteral("排序："), Twips::rect(8160, 960, 615, 225), darkRed);
    QComboBox *sort = addList(f4, Twips::rect(8760, 900, 2175, 300), listStyle(darkRed));

    Form1Controls &ui = m_ctx.ui;
    ui.TB_Search = keyword;
    ui.CB_Sub = scope;
    ui.CB_page = page;
    ui.CB_Sort = sort;
    ui.Cmd_Search = search;
    ui.Cmd_UpPage = up;
    ui.Cmd_DownPage = down;
    ui.LB_Total1 = total1;
    ui.LB_Total2 = total2;
    ui.WebBrowser1 = new WebEnginePane(m_frames[1]);
    ui.WebBrowser2 = new WebEnginePane(m_frames[2]);
    ui.WebBrowser3 = new WebEnginePane(m_frames[3]);
    ui.WebBrowser4 = new WebEnginePane(m_frames[5]);

    keyword->setObjectName(QStringLiteral("TB_Search"));
    scope->setObjectName(QStringLiteral("CB_Sub"));
    page->setObjectName(QStringLiteral("CB_page"));
    sort->setObjectName(QStringLiteral("CB_Sort"));
    search->setObjectName(QStringLiteral("Cmd_Search"));
    up->setObjectName(QStringLiteral("Cmd_UpPage"));
    down->setObjectName(QStringLiteral("Cmd_DownPage"));
    total1->setObjectName(QStringLiteral("LB_Total1"));
    total2->setObjectName(QStringLiteral("LB_Total2"));

    // What a screen reader says: the label beside each control, not its group's title.
    // On Linux a list's name is its current entry and its label comes as a relation,
    // so the lists also say what they are in their description.
    keyword->setAccessibleName(QStringLiteral("关键词"));
    keywordLabel->setBuddy(keyword);
    pageLabel->setBuddy(page);
    sortLabel->setBuddy(sort);
    const std::pair<QComboBox *, const char *> lists[] = {
        {scope, "搜索类目"}, {page, "页码"}, {sort, "排序"}};
    for (const auto &[list, what] : lists) {
        list->setAccessibleName(QString::fromUtf8(what));
        list->setAccessibleDescription(QString::fromUtf8(what));
    }
    QVector<QWidget *> stops{keyword};
    for (PagePane *pane : {ui.WebBrowser1, ui.WebBrowser2, ui.WebBrowser3, ui.WebBrowser4})
        stops.append(static_cast<WebEnginePane *>(pane)->view());
    new KeyboardNavigation(this, ui, stops);
}
