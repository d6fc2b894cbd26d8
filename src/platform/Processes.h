#pragma once

#include <string>
#include <string_view>
#include <vector>

// Starting other programs.
namespace tw {

// The arguments of a command line: separated by blanks; a part in double or single quotes
// keeps its blanks (the quotes themselves are dropped). Backslashes are ordinary characters.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Starts argv[0] (looked up in $PATH when it has no "/") with these arguments, detached: in a
// session of its own, not a child of this process, with this process's working folder and
// environment. Does not wait for it. True when the program was started.
bool StartDetached(const std::vector<std::string>& argv);

// StartDetached of SplitCommandLine(commandLine).
bool RunProgram(const std::string& commandLine);

// Opens `url` in the user's web browser: each command of $BROWSER (a ":"-separated list) in
// turn until one starts, "%1" and "%s" in its arguments replaced by the address, else the
// address appended as the last argument; without $BROWSER, xdg-open. The address always stays
// a single argument. False for an empty address, one that starts with "-" (it would be read
// as an option), or when no command could be started.
bool OpenInBrowser(const std::string& url);

} // namespace tw
