#pragma once

#include "core/image/Picture.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tw::tool {

// What a command may print: results to `out`, problems and progress to `err`. `interactive`
// tells whether `err` is a terminal, where a progress bar makes sense.
struct Console {
    std::ostream& out;
    std::ostream& err;
    bool interactive = false;
};

// Runs one command line (without the program name) against the core; the exit code: 0 done,
// 1 the command failed or found a fault, 2 the command line was wrong.
int RunCollectionTool(const std::vector<std::string>& args, const std::vector<Picture>& badgeIcons,
                      Console console);

} // namespace tw::tool
