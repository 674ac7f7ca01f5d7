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

// Reads the whole file into `bytes`. Fails when it cannot be opened or read, when
// it is not a regular file (a FIFO, a device, a folder: refused at once, never
// waited on), or when it holds more than `maxBytes`. Links are followed.
IoResult ReadFileBytes(const std::string& path, std::string& bytes,
                       std::size_t maxBytes = static_cast<std::size_t>(-1));
inline constexpr const char* kFileTooLarge = "file too large";
inline constexpr const char* kNotRegularFile = "not a regular file";

// Writes `bytes` to `path` through a temporary file in the same folder, flushed to
// the disk and renamed over the target, the folder flushed after: at every instant
// the name holds the old bytes or the new ones. An existing target without write
// permission is refused, as a plain rewrite of it would be; an existing target's
// permission bits carry over to the new file. A link as the target is replaced by
// the new file; the file it pointed to is left as it was.
IoResult WriteFileAtomic(const std::string& path, std::string_view bytes);

// Makes `to` a read-only copy of the bytes of `from` (links followed), keeping its
// modification time. The copy is written, flushed and made read-only under a
// temporary name and only then given its name, so `to` is either absent or whole
// and read-only. Never replaces an existing `to`.
IoResult CopyToReadOnly(const std::string& from, const std::string& to);
// The same for bytes already in memory (a file that has gone since it was read);
// the copy is readable by all and written by none.
IoResult KeepReadOnly(std::string_view bytes, const std::string& to);

// Removes a file (also a read-only one; a link, not what it points to) and
// flushes its folder.
IoResult RemoveFile(const std::string& path);

// Temporary files of ours are named ".~" + the target's file name + "." + 16 hex
// digits + ".tmp": hidden, and never taken for one of the flight's own files
// (the processing program picks up NAME.*).
bool IsOurTemporaryFor(std::string_view entryName, std::string_view targetName);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// A regular file, after following links.
bool IsRegularFile(const std::string& path);
// The two names are one file: the same text, or the same file on the disk.
bool SameFile(const std::string& a, const std::string& b);
// Removes the write permission (the read-only attribute; on Windows also archive).
IoResult SetReadOnly(const std::string& path);
bool IsWritable(const std::string& path);

}  // namespace dv
