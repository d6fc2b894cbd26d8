#pragma once

#include <string_view>

// Start-up and inter-instance events as lines on standard error, for whoever starts the
// program with TILEWICK_TRACE set (the end-to-end tests do). Silent otherwise.
namespace tw {

bool TraceEnabled();

// Writes "tilewick[<pid>]: <event> <detail>".
void Trace(std::string_view event, std::string_view detail = {});

} // namespace tw
