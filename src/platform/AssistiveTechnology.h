#pragma once

#include <QString>

// Whether a screen reader or other assistive technology listens on this desktop, as the
// accessibility bus of the session says (the flags that Orca and the desktop settings set).
namespace AssistiveTechnology {

// Asks the session bus, or the bus at that address when one is given; false where there
// is no session bus or no accessibility bus on it.
bool isActive(const QString &sessionBusAddress = QString());

} // namespace AssistiveTechnology
