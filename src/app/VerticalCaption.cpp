#include "app/VerticalCaption.h"

#include <QPainter>

void VerticalCaption::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const qreal pitch = font().pointSizeF() * logicalDpiY() / 72.0;
    qreal top = 0;
    for (const QString &line : text().split(QLatin1Char('\n'))) {
        // An ideograph's em box sits 0.88 em above the baseline and 0.12 em below it.
        const qreal x = (width() - painter.fontMetrics().horizontalAdvance(line)) / 2.0;
        painter.drawText(QPointF(x, top + pitch * 0.88), line);
        top += pitch;
    }
}
