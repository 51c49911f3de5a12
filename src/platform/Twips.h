#pragma once

#include <QRect>

// Layout values are in twips (1/1440 inch); pixels follow the screen's logical DPI.
namespace Twips {

double logicalDpi();
int toPixels(double twips);
QRect rect(double left, double top, double width, double height);

} // namespace Twips
