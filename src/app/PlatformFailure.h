#pragma once

// While it lives, a window system that cannot be opened (an unknown or unusable platform
// plugin, no display) ends the process with a message that says what to do and exit code 2,
// where Qt would abort.
class PlatformFailure
{
public:
    PlatformFailure();
    ~PlatformFailure();
    PlatformFailure(const PlatformFailure &) = delete;
    PlatformFailure &operator=(const PlatformFailure &) = delete;

    static constexpr int ExitCode = 2;
};
