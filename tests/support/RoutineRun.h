#pragma once

#include <QString>

struct ContextFixture;

// The window's routines that ask servers, run on a fixture the way the window runs
// them, with the time they took and what they added to resident memory.
namespace RoutineRun {

enum class Routine { Probe, Menu, Children, Search, ClickThrough };

struct Figures
{
    qint64 elapsedMs = 0;
    qint64 growthKiB = 0; // resident high-water mark over the start
    qint64 heldKiB = 0;   // resident memory afterwards over the start
};

const char *name(Routine routine);
// Requests a routine makes when every answer fails.
int failedRequests(Routine routine);
// The probe (offline before), the menu load, the children of 16, the search as the
// fixture's controls say, and a click on the picture of item 123.
Figures run(ContextFixture &f, Routine routine);
// What differs from how the routine must leave the window when all its requests
// failed; empty when nothing does.
QString failedOutcomeMismatch(ContextFixture &f, Routine routine);

} // namespace RoutineRun
