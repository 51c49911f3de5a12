#pragma once

class Form2;

namespace mainLoad {

// The only entry point: fills the token pool, applies the skin and shows the
// loading window, which opens the main window. Returns the loading window.
Form2 *Main();

} // namespace mainLoad
