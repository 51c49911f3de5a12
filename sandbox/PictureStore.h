#pragma once

#include <QByteArray>
#include <QCache>
#include <QList>
#include <QMutex>
#include <QString>

class Catalogue;

// JPEG pictures: four light backgrounds for the panes, made at start, and item
// pictures, drawn on first request and kept in a bounded cache.
class PictureStore
{
public:
    explicit PictureStore(const Catalogue &catalogue);

    // number 1 to 4; empty for any other.
    QByteArray background(int number) const;
    // Empty when the catalogue has no such item.
    QByteArray itemPicture(const QString &itemId);

private:
    QByteArray drawItem(int item) const;

    const Catalogue &m_catalogue;
    QList<QByteArray> m_backgrounds;
    QMutex m_mutex;
    QCache<int, QByteArray> m_cache;
};
