#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

class QLabel;
class QWidget;

// The notice of one waiting fetch: nothing for the first half second, then
// "正在加载…" with the whole seconds waited, centred at the top of the host.
class BusyNotice
{
public:
    static constexpr int ShowAfterMs = 500;
    static constexpr const char *ObjectName = "busyNotice";

    explicit BusyNotice(QWidget *host);
    ~BusyNotice();
    BusyNotice(const BusyNotice &) = delete;
    BusyNotice &operator=(const BusyNotice &) = delete;

    // "正在加载… N 秒"
    static QString caption(qint64 waitedMs);

private:
    void update();

    QPointer<QWidget> m_host;
    QPointer<QLabel> m_label;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
