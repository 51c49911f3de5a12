#pragma once

#include <QByteArray>
#include <QByteArrayList>

// The Chromium switches the panes run with. The four panes show one site's
// static documents and run no page script, so they share one renderer process.
// The program sets these itself; switches a user puts in
// QTWEBENGINE_CHROMIUM_FLAGS are kept and come after them, so a user's own
// value for the same switch wins.
namespace EngineSwitches {

QByteArrayList own();

// own() followed by the user's flags.
QByteArray merged(const QByteArray &userFlags);

// Sets QTWEBENGINE_CHROMIUM_FLAGS to merged(its present value); call before the
// engine starts (before the first view is created).
void install();

} // namespace EngineSwitches
