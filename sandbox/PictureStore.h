#pragma once

#include <QByteArray>
#include <QCache>
#include <QList>
#include <QMutex>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class Catalogue;

// JPEG pictures: four light backgrounds for the panes, made at start, and item
// pictures, drawn on first request and kept in a bounded cache. Item pictures
// are drawn on one thread of their own: Qt keeps font caches per thread, and
// letting every server thread load the CJK fonts would multiply the memory.
class PictureStore
{
public:
    explicit PictureStore(const Catalogue &catalogue);
    ~PictureStore();

    // number 1 to 4; empty for any other.
    QByteArray background(int number) const;
    // Empty when the catalogue has no such item.
    QByteArray itemPicture(const QString &itemId);

private:
    QByteArray drawItem(int item) const;
    QByteArray drawOnPainterThread(int item);
    void painterLoop();

    const Catalogue &m_catalogue;
    QList<QByteArray> m_backgrounds;
    QMutex m_mutex;
    QCache<int, QByteArray> m_cache;

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<std::function<void()>> m_queue;
    bool m_stopping = false;
    std::thread m_painter;
};
