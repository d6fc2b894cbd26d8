#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tw {

// A file too large to build in memory, saved so that the file it replaces survives any failure:
// the bytes go to a new file beside the target, which Commit flushes to disk and renames over
// the target in one step. Dropped without Commit, the new file is removed and the target is
// untouched. Failures throw std::system_error naming the file and the cause.
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

} // namespace tw
