#include "PictureStore.h"

#include "Catalogue.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <future>

namespace {

constexpr int ItemPictureSize = 160;
constexpr int CachedPictures = 4000;

QByteArray jpeg(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

// Pale tiles, so link text stays readable on top of them.
QImage drawBackground(int number)
{
    static const QColor tints[] = {QColor(0xF4, 0xF8, 0xFF), QColor(0xFF, 0xF8, 0xF0),
                                   QColor(0xF3, 0xFB, 0xF3), QColor(0xFB, 0xF6, 0xFC)};
    const QColor tint = tints[(number - 1) % 4];
    QImage image(256, 256, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 256, 256);
    gradient.setColorAt(0, tint);
    gradient.setColorAt(1, tint.darker(104));
    painter.fillRect(image.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(tint.darker(108), 1));
    for (int k = -256; k < 256; k += 16 + 4 * number)
        painter.drawLine(k, 0, k + 256, 256);
    painter.end();
    return image;
}

} // namespace

PictureStore::PictureStore(const Catalogue &catalogue) : m_catalogue(catalogue)
{
    m_cache.setMaxCost(CachedPictures);
    for (int number = 1; number <= 4; ++number)
        m_backgrounds.append(jpeg(drawBackground(number), 90));
    m_painter = std::thread([this] { painterLoop(); });
}

PictureStore::~PictureStore()
{
    {
        std::lock_guard lock(m_queueMutex);
        m_stopping = true;
    }
    m_queueChanged.notify_all();
    m_painter.join();
}

void PictureStore::painterLoop()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_queueMutex);
            m_queueChanged.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        job();
    }
}

QByteArray PictureStore::drawOnPainterThread(int item)
{
    auto task =
        std::make_shared<std::packaged_task<QByteArray()>>([this, item] { return drawItem(item); });
    std::future<QByteArray> picture = task->get_future();
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back([task] { (*task)(); });
    }
    m_queueChanged.notify_one();
    return picture.get();
}

QByteArray PictureStore::background(int number) const
{
    return number >= 1 && number <= 4 ? m_backgrounds[number - 1] : QByteArray();
}

QByteArray PictureStore::itemPicture(const QString &itemId)
{
    const int item = m_catalogue.findItem(itemId);
    if (item < 0)
        return QByteArray();
    {
        QMutexLocker lock(&m_mutex);
        if (const QByteArray *cached = m_cache.object(item))
            return *cached;
    }
    // Drawn outside the cache lock; two requests may draw the same picture once each.
    const QByteArray picture = drawOnPainterThread(item);
    QMutexLocker lock(&m_mutex);
    m_cache.insert(item, new QByteArray(picture));
    return picture;
}

QByteArray PictureStore::drawItem(int index) const
{
    const Catalogue::Item &item = m_catalogue.items()[index];
    const QString category = m_catalogue.tree().node(item.category).name;
    const QString noun = category.section(QLatin1Char('/'), 0, 0);
    // One hue per category, a little lighter or darker per item.
    const int hue = int((quint64(item.category) * 47) % 360);
    const QColor base = QColor::fromHsv(hue, 90 + int(item.id % 60), 200 + int(item.id % 40));

    QImage image(ItemPictureSize, ItemPictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(6, 6, ItemPictureSize - 12, ItemPictureSize - 12), 14, 14);
    QLinearGradient gradient(0, 0, 0, ItemPictureSize);
    gradient.setColorAt(0, base.lighter(115));
    gradient.setColorAt(1, base.darker(110));
    painter.fillPath(tile, gradient);

    QFont glyphFont(QStringLiteral("Noto Sans CJK SC"));
    glyphFont.setPixelSize(64);
    glyphFont.setBold(true);
    painter.setFont(glyphFont);
    painter.setPen(QColor(255, 255, 255, 230));
    painter.drawText(QRect(0, 16, ItemPictureSize, 86), Qt::AlignCenter, noun.left(1));

    QFont nameFont(QStringLiteral("Noto Sans CJK SC"));
    nameFont.setPixelSize(15);
    painter.setFont(nameFont);
    painter.setPen(base.darker(250));
    painter.drawText(QRect(10, 104, ItemPictureSize - 20, 22), Qt::AlignCenter,
                     painter.fontMetrics().elidedText(noun, Qt::ElideRight, ItemPictureSize - 20));
    painter.drawText(QRect(10, 126, ItemPictureSize - 20, 22), Qt::AlignCenter,
                     QStringLiteral("¥%1").arg(item.price / 100));
    painter.end();
    return jpeg(image, 85);
}
