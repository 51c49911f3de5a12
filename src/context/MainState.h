#pragma once

#include <QString>
#include <QStringList>

// The main window's module-level variables. Everything starts zeroed; all work
// happens on the user-interface thread.
struct MainState
{
    bool CancelNav = false;   // cancel answer of every pane's before-navigate event
    bool IsOnline = false;    // network reachable and the probe page verified
    qint32 OnlineCount = 0;   // successful probes since start
    QStringList CatNames;     // category path, root first
    QStringList CatIds;       // parallel to CatNames
    QStringList CatParentIds; // parallel to CatNames; empty until the first path
    QString CurCatId;         // category of the next search
    QString Keyword;          // keyword of the next search
    QString PageText;         // current page number as text
    QString SortCode;         // sort code of the next search
    QString RowOffset;        // row offset of the next search
    bool UiReady = false;     // false while the program itself changes the combo boxes
};
