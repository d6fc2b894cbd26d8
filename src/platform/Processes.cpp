#include "platform/Processes.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tw {
namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The file that exec would run for `program`, found before forking because a forked child of
// a threaded process may only make async-signal-safe calls.
std::optional<std::string> ResolveProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return IsExecutableFile(program) ? std::optional(program) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    const std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string_view folder = folders.substr(start, end - start);
        const std::string candidate =
            (folder.empty() ? std::string(".") : std::string(folder)) + "/" + program;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// Puts `url` in place of every "%1", "%s" and "%S" of `arg`, in one pass so that a "%s" inside
// the address stays as it is. Returns whether there was a placeholder.
bool SubstituteAddress(std::string& arg, const std::string& url) {
    std::string out;
    bool placed = false;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        const char next = i + 1 < arg.size() ? arg[i + 1] : '\0';
        if (arg[i] == '%' && (next == '1' || next == 's' || next == 'S')) {
            out += url;
            placed = true;
            ++i;
        } else {
            out += arg[i];
        }
    }
    arg = std::move(out);
    return placed;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    char quote = 0;
    for (const char c : commandLine) {
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            } else {
                current += c;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
            inArgument = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) {
                args.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        args.push_back(std::move(current));
    }
    return args;
}

bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        return false;
    }
    const auto program = ResolveProgram(argv[0]);
    if (!program) {
        return false;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);

    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on. The intermediate child ends at once, so
        // the program is adopted by init and never becomes our zombie.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) {
            const int error = grandchild < 0 ? errno : 0;
            if (error != 0) {
                [[maybe_unused]] auto ignored = ::write(ends[1], &error, sizeof error);
            }
            ::_exit(0);
        }
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::execv(program->c_str(), args.data());
        const int error = errno;
        [[maybe_unused]] auto ignored = ::write(ends[1], &error, sizeof error);
        ::_exit(127);
    }
    writeEnd.Reset();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd.Get(), &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}

bool RunProgram(const std::string& commandLine) {
    return StartDetached(SplitCommandLine(commandLine));
}

bool OpenInBrowser(const std::string& url) {
    if (url.empty() || url.front() == '-') {
        return false;
    }
    const char* browser = std::getenv("BROWSER");
    if (browser == nullptr || browser[0] == '\0') {
        return StartDetached({"xdg-open", url});
    }
    const std::string_view commands = browser;
    std::size_t start = 0;
    while (start <= commands.size()) {
        const std::size_t end = std::min(commands.find(':', start), commands.size());
        std::vector<std::string> argv = SplitCommandLine(commands.substr(start, end - start));
        start = end + 1;
        if (argv.empty()) {
            continue;
        }
        bool placed = false;
        for (std::size_t i = 1; i < argv.size(); ++i) {
            placed |= SubstituteAddress(argv[i], url);
        }
        if (!placed) {
            argv.push_back(url);
        }
        if (StartDetached(argv)) {
            return true;
        }
    }
    return false;
}

} // namespace tw
