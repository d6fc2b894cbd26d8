#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Saves that never leave a truncated or half-written file behind: the bytes go to a file
// beside the target, are flushed to disk and then renamed over the target in one step.
namespace tw {

// A file saved so that the file it replaces survives any failure. Commit flushes the new file
// to disk and renames it over the target; dropped without Commit, the new file is removed and
// the target is untouched. A symbolic link at the target is kept and its target replaced.
// Failures throw std::system_error naming the file and the cause.
class AtomicOutputFile {
public:
    explicit AtomicOutputFile(const std::filesystem::path& target);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    void Write(std::span<const std::uint8_t> bytes);
    void Commit();

private:
    void Flush();
    [[noreturn]] void Fail(const char* doing) const;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
};

// Replaces `path` by a file holding exactly `bytes`. On failure the previous file, if any, is
// left as it was and false is returned.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes all of `bytes` to the open file descriptor; false (with errno set) on any failure.
using FileWriteFunction = std::function<bool(int fd, std::string_view bytes)>;

// Replaces the routine that puts the bytes into the file beside the target and returns the
// previous one; an empty function restores the default. Lets a test fail a save midway.
FileWriteFunction ReplaceFileWriteFunction(FileWriteFunction writer);

} // namespace tw
