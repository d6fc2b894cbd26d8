#include "core/app/uStartup.h"

#include <algorithm>
#include <cctype>

namespace tw {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// "-x" and "/x" are switches; but absolute paths start with "/" here, so an argument with a
// further "/" after the first is a path.
bool IsForwardable(std::string_view arg) {
    if (arg.empty() || arg.front() == '-') {
        return false;
    }
    return arg.front() != '/' || arg.find('/', 1) != std::string_view::npos;
}

} // namespace

bool FindCmdLineSwitch(const std::vector<std::string>& args, std::string_view name,
                       std::string_view prefixes) {
    return std::any_of(args.begin(), args.end(), [&](const std::string& arg) {
        return !arg.empty() && prefixes.find(arg.front()) != std::string_view::npos &&
               EqualsIgnoringCase(std::string_view(arg).substr(1), name);
    });
}

TStartOptions ParseCommandLine(const std::vector<std::string>& args) {
    TStartOptions options;
    options.Stop = FindCmdLineSwitch(args, "s", "-/");
    options.Restart = FindCmdLineSwitch(args, "r", "-/");
    options.Autorun = FindCmdLineSwitch(args, "autorun", "-/\\");
    if (!args.empty() && IsForwardable(args.front())) {
        options.Forward = args.front();
    }
    return options;
}

std::optional<WindowHandle> FindRunningInstance(int appId) {
    for (const auto& window : FindWindows(kMainFormClass)) {
        if (SendMessage(window, WM_GETAPPID, 0, 0) == appId) {
            return window;
        }
    }
    return std::nullopt;
}

bool AskRunningInstanceToQuit(int appId) {
    const auto running = FindRunningInstance(appId);
    if (running) {
        SendMessage(*running, WM_QUITAPP, 0, 0);
    }
    return running.has_value();
}

bool HandOverToRunningInstance(int appId, const std::optional<std::string>& forward) {
    const auto running = FindRunningInstance(appId);
    if (!running) {
        return false;
    }
    SendMessage(*running, WM_FORCEFOREGROUND, 0, 0);
    // Searched again as the Windows program did: the window may have gone meanwhile.
    if (forward) {
        if (const auto target = FindRunningInstance(appId)) {
            SendCopyData(*target, 0, 0, *forward);
        }
    }
    return true;
}

} // namespace tw
