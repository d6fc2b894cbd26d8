#pragma once

#include "platform/UniqueFd.h"

#include <string>

// Single-instance lock per user. The lock is an flock() on a file in the private runtime
// folder: the system drops it when the holding process ends in any way, so a crashed instance
// never blocks the next start, and no other user's instance is seen.
namespace tw {

class InstanceLock {
public:
    enum class Outcome { Acquired, HeldElsewhere, Failed };

    // Tries once to take the lock called `name`; never waits.
    explicit InstanceLock(const std::string& name);

    InstanceLock(InstanceLock&&) noexcept = default;
    InstanceLock& operator=(InstanceLock&&) noexcept = default;

    Outcome State() const { return state_; }
    // Why the lock could not be tried (Failed only).
    const std::string& Error() const { return error_; }

private:
    UniqueFd fd_;
    Outcome state_ = Outcome::Failed;
    std::string error_;
};

// True when this process now holds the lock `name` (kept until the process ends) or when the
// lock could not be tried at all; false when another process holds it.
bool CreateInstanceMutex(const std::string& name);

} // namespace tw
