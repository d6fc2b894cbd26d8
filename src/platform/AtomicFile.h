#pragma once

#include <functional>
#include <string>
#include <string_view>

// Saves that never leave a truncated or half-written file behind: the bytes go to a file
// beside the target, are flushed to disk and then renamed over the target in one step.
namespace tw {

// Writes all of `bytes` to the open file descriptor; false on any failure.
using FileWriteFunction = std::function<bool(int fd, std::string_view bytes)>;

// Replaces `path` by a file holding exactly `bytes`. On failure the previous file, if any, is
// left as it was and false is returned. A symbolic link at `path` is kept and its target
// replaced.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Replaces the routine that puts the bytes into the file beside the target and returns the
// previous one; an empty function restores the default. Lets a test fail a save midway.
FileWriteFunction ReplaceFileWriteFunction(FileWriteFunction writer);

} // namespace tw
