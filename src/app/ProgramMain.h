#pragma once

#include <functional>

class QApplication;

// The whole program between process start and exit: the application object,
// Main, the event loop, and the windows removed before the engine shuts down.
// onApplication runs once the application object exists, before Main (a
// measuring build observes the program there; the shipped one passes nothing).
int ProgramMain(int argc, char *argv[],
                const std::function<void(QApplication &)> &onApplication = {});
