#pragma once

// The settings that hold for the whole process, applied once when the application object
// exists and before the first window. The engine's switches are set apart, before it.
namespace ProcessSettings {

// Before the application object: what must be in the environment when Qt and the
// engine's processes start.
void applyBeforeApplication();
void apply();

} // namespace ProcessSettings
