#pragma once
// Whole-file byte input and crash-safe output. Files are bytes: nothing is
// re-encoded on the way in or out.

#include <string>
#include <string_view>

namespace dv {

struct IoResult {
  bool ok = true;
  std::string error;  // the system's reason, for diagnostics; empty on success
  explicit operator bool() const { return ok; }
};

// Reads the whole file into `bytes`. Fails when it cannot be opened or read, or
// when it holds more than `maxBytes`.
IoResult ReadFileBytes(const std::string& path, std::string& bytes,
                       std::size_t maxBytes = static_cast<std::size_t>(-1));
inline constexpr const char* kFileTooLarge = "file too large";

// Writes `bytes` to `path` through a temporary file in the same folder, flushed to
// the disk and renamed over the target, so a failure part-way leaves any old file
// whole. An existing target without write permission is refused, as a plain
// rewrite of it would be.
IoResult WriteFileAtomic(const std::string& path, std::string_view bytes);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Rename `from` to `to`; fails when `to` exists already.
IoResult RenameFile(const std::string& from, const std::string& to);
// Removes the write permission (the read-only attribute; on Windows also archive).
IoResult SetReadOnly(const std::string& path);
// Gives the owner the write permission back (clears the read-only attribute).
IoResult SetWritable(const std::string& path);
bool IsWritable(const std::string& path);

}  // namespace dv
