#pragma once

#include <QString>

// Removes leading and trailing blanks (U+0020 only; tabs and other white space stay).
QString TrimBlanks(const QString &text);
