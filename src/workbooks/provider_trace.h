// Timing of the provider's phases for diagnosis.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace shuhui::workbooks {

// SHUHUI_PROVIDER_TRACE=1 prints the time of each phase (read, convert, run) on stderr.
struct Trace {
    const char* what;
    std::string detail;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    static bool on() {
        static const bool enabled = std::getenv("SHUHUI_PROVIDER_TRACE") != nullptr;
        return enabled;
    }
    ~Trace() {
        if (!on()) return;
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::fprintf(stderr, "[provider] %s %s %.1f ms\n", what, detail.c_str(), ms);
    }
};

}  // namespace shuhui::workbooks
