#pragma once

#include <QString>

// Opens an address in the system web browser. Only http:// and https://
// addresses are ever opened: the text comes from a server.
class BrowserLauncher
{
public:
    virtual ~BrowserLauncher() = default;

    static bool isOpenable(const QString &address);

    // Returns true when the address was handed to the browser.
    bool open(const QString &address);

protected:
    virtual bool launch(const QString &address) = 0;
    // Every call of open(), before the checks.
    virtual void attempted(const QString &address) { Q_UNUSED(address) }
};

class DesktopBrowserLauncher : public BrowserLauncher
{
protected:
    bool launch(const QString &address) override;
};
