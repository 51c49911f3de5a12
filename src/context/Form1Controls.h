#pragma once

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class PagePane;

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
