#pragma once

#include <QString>

// The engine refuses to start its sandbox for the superuser and then ends the whole
// process. Found out before the application starts, so that the user is told why.
namespace EngineSandboxCheck {

// Empty when the engine can start; otherwise what to tell the user.
QString problem();

// Tells the user on stderr and, on a screen, in a message box.
void report(const QString &text);

} // namespace EngineSandboxCheck
