#pragma once

// What assistive technology is told the program's windows are: frames, as windows of
// an application are, not the plain panels a top-level widget otherwise reports.
namespace WindowAccessibility {

void install();

} // namespace WindowAccessibility
