#pragma once
// How long ago this process was launched, for timing tools. KESTRIN_LAUNCH_US, when set, is the wall
// clock in microseconds (as bash's EPOCHREALTIME without its dot) taken by the tool just before it
// started us; otherwise the kernel's start time of the process is used, in 10 ms steps. Plain POSIX, so
// a minimal program can share it without linking anything of ours.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace kestrin {

inline double msSinceLaunch()
{
    if (const char *given = std::getenv("KESTRIN_LAUNCH_US"); given && *given) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return (double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3 - std::strtod(given, nullptr)) / 1e3;
    }
    // Field 22 of /proc/self/stat: start time in clock ticks after boot; the command name (field 2)
    // may hold blanks, so fields are counted from its closing parenthesis.
    char buf[1024] = {};
    FILE *f = std::fopen("/proc/self/stat", "r");
    if (!f)
        return -1;
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    const char *p = std::strrchr(buf, ')');
    if (!p)
        return -1;
    for (int field = 2; field < 22 && p; ++field)
        p = std::strchr(p + 1, ' ');
    if (!p)
        return -1;
    const double startTicks = std::strtod(p + 1, nullptr);
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    return (double(boot.tv_sec) + double(boot.tv_nsec) / 1e9 - startTicks / double(sysconf(_SC_CLK_TCK))) * 1e3;
}

} // namespace kestrin
