#include "platform/InstanceLock.h"

#include "platform/RuntimeFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <vector>

namespace tw {

InstanceLock::InstanceLock(const std::string& name) {
    const auto folder = PrivateRuntimeFolder("locks", error_);
    if (!folder) {
        return;
    }
    const auto file = *folder / (EscapeFileName(name) + ".lock");
    // Close-on-exec: a program started from this one must not inherit the lock.
    fd_.Reset(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd_.Valid()) {
        error_ = "cannot open " + file.string() + ": " + std::strerror(errno);
        return;
    }
    int result = 0;
    do {
        result = ::flock(fd_.Get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        state_ = Outcome::Acquired;
    } else if (errno == EWOULDBLOCK) {
        state_ = Outcome::HeldElsewhere;
        fd_.Reset();
    } else {
        error_ = "cannot lock " + file.string() + ": " + std::strerror(errno);
        fd_.Reset();
    }
}

bool CreateInstanceMutex(const std::string& name) {
    // Locks taken here belong to the process: they are held until it ends.
    static std::vector<InstanceLock> held;
    InstanceLock lock(name);
    const auto state = lock.State();
    if (state == InstanceLock::Outcome::Acquired) {
        held.push_back(std::move(lock));
    }
    return state != InstanceLock::Outcome::HeldElsewhere;
}

} // namespace tw
