#pragma once

#include "RecordingPane.h"
#include "TestDoubles.h"

#include "context/Form1Context.h"
#include "platform/BlockingFetch.h"
#include "platform/WebFetcher.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

// Real controls, recording panes and launcher, a real fetch service and fetcher, wired into a
// Form1Context the way Form1 wires them (WireForm1Handlers), with the lists set
// up as at load (SetupSearchControls, run while UiReady is still false).
struct ContextFixture
{
    explicit ContextFixture(const FetchOptions &fetchOptions = {});

    QWidget window;
    QLineEdit *TB_Search;
    QComboBox *CB_Sub, *CB_page, *CB_Sort;
    QPushButton *Cmd_Search, *Cmd_UpPage, *Cmd_DownPage;
    QLabel *LB_Total1, *LB_Total2;
    RecordingPane pane1, pane2, pane3, pane4;
    BlockingFetch fetch;
    WebFetcher fetcher{&fetch};
    FakeNetworkState network;
    RecordingBrowserLauncher browser;
    QStringList messages; // texts shown in message boxes
    QStringList messageTitles;

    Form1Context ctx;

    // Online, UiReady, CancelNav and one empty path entry, as after load.
    void makeLoaded();
};
