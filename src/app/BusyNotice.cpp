#include "BusyNotice.h"

#include <QLabel>
#include <QWidget>

BusyNotice::BusyNotice(QWidget *host) : m_host(host)
{
    if (!host)
        return;
    m_clock.start();
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { update(); });
    m_timer.start(ShowAfterMs);
}

BusyNotice::~BusyNotice()
{
    delete m_label.data();
}

QString BusyNotice::caption(qint64 waitedMs)
{
    return QStringLiteral("正在加载… %1 秒").arg(waitedMs / 1000);
}

void BusyNotice::update()
{
    if (!m_host)
        return;
    if (!m_label) {
        m_label = new QLabel(m_host);
        m_label->setObjectName(QLatin1String(ObjectName));
        m_label->setAlignment(Qt::AlignCenter);
        m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_label->setStyleSheet(
            QStringLiteral("QLabel { background: rgba(255, 250, 225, 235); color: #333333;"
                           " border: 1px solid #d9c37a; border-radius: 3px; padding: 3px 10px; "
                           "font-size: 12px; }"));
    }
    const qint64 waited = m_clock.elapsed();
    m_label->setText(caption(waited));
    m_label->adjustSize();
    m_label->move((m_host->width() - m_label->width()) / 2, 8);
    m_label->raise();
    m_label->show();
    // Next update when the next whole second is reached.
    m_timer.start(int(1000 - waited % 1000));
}
