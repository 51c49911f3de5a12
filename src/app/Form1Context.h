#pragma once

#include "app/MainState.h"

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class PagePane;
class WebFetcher;
class NetworkState;
class BrowserLauncher;

// The controls that the routines of the window read and write.
struct Form1Controls
{
    QLineEdit *TB_Search = nullptr;
    QComboBox *CB_Sub = nullptr;
    QComboBox *CB_page = nullptr;
    QComboBox *CB_Sort = nullptr;
    QPushButton *Cmd_Search = nullptr;
    QPushButton *Cmd_UpPage = nullptr;
    QPushButton *Cmd_DownPage = nullptr;
    QLabel *LB_Total1 = nullptr;
    QLabel *LB_Total2 = nullptr;
    PagePane *WebBrowser1 = nullptr; // category menu
    PagePane *WebBrowser2 = nullptr; // category path
    PagePane *WebBrowser3 = nullptr; // child categories
    PagePane *WebBrowser4 = nullptr; // result grid
};

// Platform services; tests substitute the browser, the network query and the message box.
struct Form1Services
{
    WebFetcher *Inet1 = nullptr;
    NetworkState *network = nullptr;
    BrowserLauncher *browser = nullptr;
    // A message box with an OK button, no icon: (title, text).
    std::function<void(const QString &title, const QString &text)> messageBox;
};

// MainState, the controls and the services, owned by Form1. The routines of
// catalog/ and search/ are functions over it.
struct Form1Context
{
    MainState state;
    Form1Controls ui;
    Form1Services services;
};

// The application's title, also on the message box.
inline constexpr const char *ApplicationTitle = "KestrovaV1.0";
