#include "platform/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace tw {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
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

// Closes the descriptor on every path out of the save.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return fd_; }
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// The file to replace: the target of a symbolic link, so that the link itself survives.
std::string ResolveTarget(const std::string& path) {
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        const fs::path target = fs::weakly_canonical(path, error);
        if (!error)
            return target.string();
    }
    return path;
}

void SyncFolderOf(const std::string& path) {
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get()); // best effort: the data itself is already on disk
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = ResolveTarget(path);
    const std::string temporary = target + ".tmp";

    // The new file keeps the permissions of the one it replaces.
    mode_t mode = 0666;
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return false;
        mode = existing.st_mode & 07777;
    }

    ::unlink(temporary.c_str()); // a left-over of an interrupted save may be write-protected
    FileHandle file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (file.Get() < 0)
        return false;
    const FileWriteFunction& writer = CurrentWriter();
    const bool written = writer(file.Get(), bytes) && ::fsync(file.Get()) == 0 && file.Close();
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

FileWriteFunction ReplaceFileWriteFunction(FileWriteFunction writer) {
    if (!writer)
        writer = WriteAll;
    return std::exchange(CurrentWriter(), std::move(writer));
}

} // namespace tw
