#include "platform/SystemInfo.h"

#include <cstdlib>
#include <ctime>
#include <string_view>
#include <sys/utsname.h>

namespace tw {

std::string KernelRelease() {
    utsname names{};
    if (::uname(&names) != 0)
        return {};
    return names.release;
}

std::string LocaleIdentifier() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0')
            continue;
        const std::string_view name(value);
        return std::string(name.substr(0, name.find_first_of(".@")));
    }
    return "C";
}

std::string InstallChannelFile() {
    const char* configured = std::getenv("TILEWICK_CHANNEL_FILE");
    if (configured != nullptr && *configured != '\0')
        return configured;
    return "/etc/tilewick/channel";
}

std::chrono::local_time<std::chrono::milliseconds> LocalNow() {
    using namespace std::chrono;
    const auto now = time_point_cast<milliseconds>(system_clock::now());
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local_time<milliseconds>(now.time_since_epoch() + std::chrono::seconds(local.tm_gmtoff));
}

} // namespace tw
