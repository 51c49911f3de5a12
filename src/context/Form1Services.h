#pragma once

#include <QString>

#include <functional>

class BlockingFetch;
class WebFetcher;
class NetworkState;
class BrowserLauncher;

// Platform services; tests substitute the browser, the network query and the message box.
struct Form1Services
{
    // Every fetch of the routines goes through this one; Inet1 and the XML readers use it.
    BlockingFetch *fetch = nullptr;
    WebFetcher *Inet1 = nullptr;
    NetworkState *network = nullptr;
    BrowserLauncher *browser = nullptr;
    // A message box with an OK button, no icon: (title, text).
    std::function<void(const QString &title, const QString &text)> messageBox;
};
