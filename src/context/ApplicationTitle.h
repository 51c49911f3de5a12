#pragma once

// The application's title, also on the message box.
inline constexpr const char *ApplicationTitle = "KestrovaV1.0";
