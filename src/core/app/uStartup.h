#pragma once

#include "platform/MessageWindows.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The single-instance protocol between a starting process and the instance already running:
// the command-line switches, finding the running instance's main window and the messages
// sent to it.
namespace tw {

// Window messages answered by the main window.
inline constexpr std::uint32_t WM_QUITAPP = 2027;  // close without saving; the program ends
inline constexpr std::uint32_t WM_GETAPPID = 2135; // result: the constant "App.ID"
// Brings the window to the front (restored and shown); result 1 when it is active then.
// Another process cannot raise our windows itself, so it asks the window to do it.
inline constexpr std::uint32_t WM_FORCEFOREGROUND = 0x8001;

// The class of the main window on the message bus.
inline constexpr std::string_view kMainFormClass = "TfrmMainForm";

// Whether an argument is `prefix` + `name` for one of the characters of `prefixes`, the name
// compared without regard to case.
bool FindCmdLineSwitch(const std::vector<std::string>& args, std::string_view name,
                       std::string_view prefixes);

// What the command line (without the program name) asks of this start.
struct TStartOptions {
    bool Stop = false;    // "s": the running instance quits, nothing starts
    bool Restart = false; // "r": the running instance quits, then this one starts
    bool Autorun = false; // "autorun": start with the main window hidden
    // The first argument when it is not switch-like: handed to the running instance. It is
    // switch-like when it starts with "-", or with "/" and has no other "/" (so "/foo" is
    // one, "/home/u/my.vkt" is a path).
    std::optional<std::string> Forward;
};
TStartOptions ParseCommandLine(const std::vector<std::string>& args);

// The first main window on the bus, in enumeration order, that answers WM_GETAPPID with
// `appId`; windows of other programs with the same class name are passed over.
std::optional<WindowHandle> FindRunningInstance(int appId);

// Sends WM_QUITAPP to the running instance and waits until it has answered. False when no
// instance was found.
bool AskRunningInstanceToQuit(int appId);

// A second start: brings the running instance to the front and, when there is one, sends it
// `forward` as WM_COPYDATA (exactly its bytes, no terminator). False when no instance was
// found.
bool HandOverToRunningInstance(int appId, const std::optional<std::string>& forward);

} // namespace tw
