#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace Twips {

namespace {
constexpr double TwipsPerInch = 1440.0;
constexpr double FallbackDpi = 96.0;
} // namespace

double logicalDpi()
{
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->logicalDotsPerInch() : FallbackDpi;
}

int toPixels(double twips)
{
    return int(std::lround(twips * logicalDpi() / TwipsPerInch));
}

QRect rect(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
