#pragma once

#include <QDomElement>
#include <QString>

// The whole result-grid document for one search answer: the body tag, the style
// block, the five pieces of every record under PRESULTS that has a title, in
// document order, and the closing tags. A null root gives the empty grid.
QString GridDocument(const QDomElement &answerRoot);
