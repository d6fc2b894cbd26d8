#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace tw {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// The file to replace: the target of a symbolic link, so that the link itself survives.
fs::path ResolveTarget(const fs::path& path) {
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        const fs::path target = fs::weakly_canonical(path, error);
        if (!error) {
            return target;
        }
    }
    return path;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

FileWriteFunction& CurrentWriter() {
    static FileWriteFunction writer = WriteAll;
    return writer;
}

} // namespace

AtomicOutputFile::AtomicOutputFile(const fs::path& target) : target_(ResolveTarget(target)) {
    // The new file keeps the permissions of the one it replaces; a new one gets the umask's.
    mode_t mode = 0666;
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            errno = EISDIR;
            Fail("write");
        }
        mode = existing.st_mode & 07777;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = target_;
        temporary_ += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            temporary_.clear();
            Fail("write");
        }
    }
    if (mode != 0666) {
        ::fchmod(fd_, mode); // the umask may have narrowed it
    }
    buffer_.reserve(kBufferSize);
}

AtomicOutputFile::~AtomicOutputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void AtomicOutputFile::Fail(const char* doing) const {
    throw std::system_error(errno, std::generic_category(),
                            std::string("Cannot ") + doing + " \"" + target_.string() + "\"");
}

void AtomicOutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) {
        Flush();
    }
    if (bytes.size() >= kBufferSize) {
        buffer_.assign(bytes.begin(), bytes.end());
        Flush();
    } else {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    }
}

void AtomicOutputFile::Flush() {
    const std::string_view bytes(reinterpret_cast<const char*>(buffer_.data()), buffer_.size());
    if (!CurrentWriter()(fd_, bytes)) {
        Fail("write");
    }
    buffer_.clear();
}

void AtomicOutputFile::Commit() {
    Flush();
    if (::fsync(fd_) != 0) {
        Fail("write");
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail("write");
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail("replace");
    }
    temporary_.clear();
    // The rename itself must reach the disk too; the data already has.
    fs::path folder = target_.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    try {
        AtomicOutputFile file(path);
        file.Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        file.Commit();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

FileWriteFunction ReplaceFileWriteFunction(FileWriteFunction writer) {
    if (!writer) {
        writer = WriteAll;
    }
    return std::exchange(CurrentWriter(), std::move(writer));
}

} // namespace tw
