#include "handlers/Form1Wiring.h"

#include "catalog/CategoryMenu.h"
#include "catalog/CategorySelection.h"
#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/PagePane.h"
#include "search/ItemClickThrough.h"
#include "search/Paging.h"
#include "search/SearchControls.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Passes key-down events of the keyword box to its handler; the key still reaches the box.
class KeyDownFilter : public QObject
{
public:
    KeyDownFilter(Form1Context &ctx, QObject *parent) : QObject(parent), m_ctx(ctx) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            qint16 code = qint16(key->key() & 0x7fff);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                code = 13;
            int shift = 0;
            if (key->modifiers() & Qt::ShiftModifier)
                shift |= 1;
            if (key->modifiers() & Qt::ControlModifier)
                shift |= 2;
            if (key->modifiers() & Qt::AltModifier)
                shift |= 4;
            TB_Search_KeyDown(m_ctx, code, shift);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Form1Context &m_ctx;
};

using PaneHandler = void (*)(Form1Context &, const QString &, int, bool &);

void wirePane(Form1Context &ctx, PagePane *pane, PaneHandler handler)
{
    QObject::connect(pane, &PagePane::BeforeNavigate2, pane,
                     [&ctx, handler](const QString &url, int flags, bool *cancel) {
                         bool answer = false;
                         // A notification that arrives while a fetch blocks starts no
                         // second handler; the navigation is still refused.
                         if (ctx.services.fetch && ctx.services.fetch->isBusy())
                             answer = ctx.state.CancelNav;
                         else
                             handler(ctx, url, flags, answer);
                         if (cancel)
                             *cancel = answer;
                     });
}

} // namespace

void WireForm1Handlers(Form1Context &ctx)
{
    Form1Controls &ui = ctx.ui;
    QObject::connect(ui.Cmd_Search, &QPushButton::clicked, ui.Cmd_Search,
                     [&ctx] { Cmd_Search_Click(ctx); });
    QObject::connect(ui.Cmd_UpPage, &QPushButton::clicked, ui.Cmd_UpPage,
                     [&ctx] { Cmd_UpPage_Click(ctx); });
    QObject::connect(ui.Cmd_DownPage, &QPushButton::clicked, ui.Cmd_DownPage,
                     [&ctx] { Cmd_DownPage_Click(ctx); });
    // The lists' click handlers run on every change of the current entry, the
    // program's own changes included.
    QObject::connect(ui.CB_Sort, &QComboBox::currentIndexChanged, ui.CB_Sort,
                     [&ctx] { CB_Sort_Click(ctx); });
    QObject::connect(ui.CB_page, &QComboBox::currentIndexChanged, ui.CB_page,
                     [&ctx] { CB_page_Click(ctx); });
    ui.TB_Search->installEventFilter(new KeyDownFilter(ctx, ui.TB_Search));

    wirePane(ctx, ui.WebBrowser1, &WebBrowser1_BeforeNavigate2);
    wirePane(ctx, ui.WebBrowser2, &WebBrowser2_BeforeNavigate2);
    wirePane(ctx, ui.WebBrowser3, &WebBrowser3_BeforeNavigate2);
    wirePane(ctx, ui.WebBrowser4, &WebBrowser4_BeforeNavigate2);
    // The path pane never shows scroll bars.
    PagePane *path = ui.WebBrowser2;
    QObject::connect(path, &PagePane::DocumentComplete, path,
                     [path] { path->setBodyScroll(QStringLiteral("no")); });
}
