#pragma once

// The settings that hold for the whole process, applied once when the application object
// exists and before the first window. The engine's switches are set apart, before it.
namespace ProcessSettings {

void apply();

} // namespace ProcessSettings
