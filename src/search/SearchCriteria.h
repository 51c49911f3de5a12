#pragma once

#include <QString>

struct Form1Context;

// Empty when the criteria allow a search, otherwise the validation message.
QString ReadSearchCriteria(Form1Context &ctx);
// The text strictly between the first "[" and the first "]" after it.
QString GetBracketValue(const QString &text);
