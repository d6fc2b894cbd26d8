#include "ui/app/uTrace.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tw {

bool TraceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("TILEWICK_TRACE");
        return value != nullptr && value[0] != '\0' && std::string_view(value) != "0";
    }();
    return enabled;
}

void Trace(std::string_view event, std::string_view detail) {
    if (!TraceEnabled()) {
        return;
    }
    std::string line = "tilewick[" + std::to_string(::getpid()) + "]: ";
    line += event;
    if (!detail.empty()) {
        line += ' ';
        line += detail;
    }
    line += '\n';
    // One write per line, so that lines of several processes sharing a file do not mix.
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.data(), line.size());
}

} // namespace tw
