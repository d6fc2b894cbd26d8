#pragma once

#include <chrono>
#include <string>

// Facts about the running system that an installation reports about itself.
namespace tw {

// The kernel's release text ("6.1.0-18-amd64"), empty when the system does not tell.
std::string KernelRelease();

// The language of messages as a POSIX locale name without code set or modifier ("de_DE"),
// from LC_ALL, LC_MESSAGES or LANG, the first one set; "C" when none is.
std::string LocaleIdentifier();

// The small system configuration file that names the channel the program was installed
// from: $TILEWICK_CHANNEL_FILE when set and not empty, else /etc/tilewick/channel.
std::string InstallChannelFile();

// The current local wall-clock time.
std::chrono::local_time<std::chrono::milliseconds> LocalNow();

} // namespace tw
