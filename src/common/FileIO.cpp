#include "common/FileIO.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace dv {

namespace {

fs::path FsPath(const std::string& s) {
#ifdef _WIN32
  return fs::path(std::u8string(s.begin(), s.end()));  // our strings are UTF-8 on Windows
#else
  return fs::path(s);
#endif
}

std::string NameOf(const fs::path& p) {
  const std::u8string u = p.filename().u8string();
  return std::string(u.begin(), u.end());
}

IoResult Fail(std::string why) { return IoResult{false, std::move(why)}; }

std::string ErrnoText(int err) { return std::strerror(err); }

// A file descriptor that is closed on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and tells whether the close itself succeeded.
  bool Close() {
    if (fd_ < 0) return true;
#ifdef _WIN32
    const bool ok = _close(fd_) == 0;
#else
    const bool ok = ::close(fd_) == 0;
#endif
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

#ifdef _WIN32
// The C runtime's error for the last Win32 failure, so that callers see one convention.
int ErrnoOf(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}
void SetErrnoFromLastError() { errno = ErrnoOf(GetLastError()); }
int OpenForReading(const fs::path& p) {
  // Opened first and judged by the handle, so that nothing can change between the
  // look and the open. Devices (NUL, COM1) and pipes open at once and are refused
  // by their type; backup semantics let a folder open too, to be refused as such.
  // Every sharing is allowed: a reader never stops a save from replacing the file.
  const HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return -1;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    errno = EINVAL;
    return -2;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}
int OpenExclusive(const fs::path& p) {
  return _wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long ReadSome(int fd, char* buf, std::size_t n) {
  return _read(fd, buf, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
}
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
    const int n = _write(fd, bytes.data(), chunk);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}
bool Sync(int fd) { return _commit(fd) == 0; }
unsigned ProcessId() { return static_cast<unsigned>(GetCurrentProcessId()); }
// The folder's entries are flushed with the move itself (MOVEFILE_WRITE_THROUGH).
void SyncFolderOf(const fs::path&) {}
// Windows refuses to delete a read-only file; ours (originals, their temporaries)
// lose the attribute first.
void ClearReadOnly(const fs::path& p) {
  const DWORD attrs = GetFileAttributesW(p.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0)
    SetFileAttributesW(p.c_str(), attrs & ~DWORD{FILE_ATTRIBUTE_READONLY});
}
// What the new file takes over from the one it replaces: a hidden or system file
// stays so, as the permission bits do on POSIX; new contents are to be archived.
void CarryAttributes(const fs::path& from, const fs::path& to) {
  const DWORD old = GetFileAttributesW(from.c_str());
  if (old == INVALID_FILE_ATTRIBUTES || (old & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  const DWORD kept = old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  SetFileAttributesW(to.c_str(), kept | FILE_ATTRIBUTE_ARCHIVE);
}
bool MoveReplacing(const fs::path& from, const fs::path& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  SetErrnoFromLastError();
  return false;
}
// Fails when `to` exists, which is what the original copy needs.
bool MoveNoReplace(const fs::path& from, const fs::path& to, bool& existed) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD err = GetLastError();
  existed = err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS;
  errno = ErrnoOf(err);
  return false;
}
#else
int OpenForReading(const fs::path& p) {
  // Non-blocking, so that a FIFO opens at once and is then refused by its type.
  return ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
int OpenExclusive(const fs::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long long ReadSome(int fd, char* buf, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd, buf, n);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}
bool Sync(int fd) { return ::fsync(fd) == 0; }
unsigned ProcessId() { return static_cast<unsigned>(::getpid()); }
// A rename is on the disk only once its folder is: without this a power cut
// after the save could bring back the old name.
void SyncFolderOf(const fs::path& p) {
  fs::path folder = p.parent_path();
  if (folder.empty()) folder = ".";
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}
void ClearReadOnly(const fs::path&) {}
bool MoveReplacing(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}
bool MoveNoReplace(const fs::path& from, const fs::path& to, bool& existed) {
  // A hard link is made only when the name is free; then the temporary name goes.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) {
    existed = true;
    return false;
  }
  // File systems without hard links (FAT on a memory stick): look, then rename.
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) {
    existed = true;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}
#endif

// 16 hex digits that no earlier run is likely to have used: the process, the
// clock and a random seed, mixed.
std::string TemporarySuffix() {
  static std::atomic<std::uint64_t> counter{0};
  static const std::uint64_t seed = [] {
    std::uint64_t s = std::random_device{}();
    s = (s << 32) ^ std::random_device{}();
    return s;
  }();
  std::uint64_t v = seed ^ (std::uint64_t{ProcessId()} << 40) ^
                    static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  v = std::mt19937_64(v)();
  static const char* const kHex = "0123456789abcdef";
  std::string s(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = kHex[v & 15];
  return s;
}

constexpr std::string_view kTempPrefix = ".~";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempDigits = 16;

fs::path TemporaryFor(const fs::path& target) {
  return target.parent_path() / FsPath(std::string(kTempPrefix) + NameOf(target) + "." + TemporarySuffix() +
                                       std::string(kTempSuffix));
}

// Temporary files a killed save left for this target: a save is the only writer
// of its own files (one instance per user), so any found now is stale.
void RemoveStaleTemporaries(const fs::path& target) {
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string name = NameOf(target);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (IsOurTemporaryFor(NameOf(it->path()), name)) {
      std::error_code ignored;
      ClearReadOnly(it->path());  // a killed copy to an original is read-only already
      fs::remove(it->path(), ignored);
    }
  }
}

// Creates a temporary file beside `target` that no one else holds.
int CreateTemporary(const fs::path& target, fs::path& temp) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = TemporaryFor(target);
    const int fd = OpenExclusive(temp);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

bool IsOurTemporaryFor(std::string_view entry, std::string_view target) {
  const std::size_t head = kTempPrefix.size() + target.size() + 1;
  if (entry.size() != head + kTempDigits + kTempSuffix.size()) return false;
  if (entry.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
  if (entry.substr(kTempPrefix.size(), target.size()) != target || entry[head - 1] != '.') return false;
  if (entry.substr(head + kTempDigits) != kTempSuffix) return false;
  return std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(head),
                     entry.begin() + static_cast<std::ptrdiff_t>(head + kTempDigits),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

IoResult ReadFileBytes(const std::string& path, std::string& bytes, std::size_t maxBytes) {
  bytes.clear();
  const fs::path p = FsPath(path);
  const int opened = OpenForReading(p);
  if (opened == -2) return Fail(errno == ENOENT ? ErrnoText(ENOENT) : kNotRegularFile);
  Fd fd(opened);
  if (!fd.valid()) return Fail(ErrnoText(errno));
#ifdef _WIN32
  struct _stat64 st {};
  if (_fstat64(fd.get(), &st) != 0) return Fail(ErrnoText(errno));
  if ((st.st_mode & _S_IFMT) != _S_IFREG) return Fail(kNotRegularFile);
#else
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return Fail(ErrnoText(errno));
  if (!S_ISREG(st.st_mode)) return Fail(kNotRegularFile);
#endif
  const auto size = static_cast<unsigned long long>(st.st_size);
  if (size > maxBytes) return Fail(kFileTooLarge);
  bytes.reserve(static_cast<std::size_t>(size));
  char buf[1 << 16];
  for (;;) {
    const long long n = ReadSome(fd.get(), buf, sizeof buf);
    if (n < 0) {
      bytes.clear();
      return Fail("read error");
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) {  // a file that grows while it is read
      bytes.clear();
      return Fail(kFileTooLarge);
    }
  }
  return {};
}

IoResult WriteFileAtomic(const std::string& path, std::string_view bytes) {
  const fs::path target = FsPath(path);
  std::error_code ec;
  const fs::file_status old = fs::status(target, ec);
  const bool exists = !ec && fs::exists(old);
  if (exists && !IsWritable(path)) return Fail("the file is read-only");

  RemoveStaleTemporaries(target);
  fs::path temp;
  Fd fd(CreateTemporary(target, temp));
  if (!fd.valid()) return Fail(ErrnoText(errno));
  const auto discard = [&temp](std::string why) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return Fail(std::move(why));
  };
  if (!WriteAll(fd.get(), bytes)) {
    const int err = errno;
    fd.Close();
    return discard(ErrnoText(err));
  }
#ifndef _WIN32
  // The file keeps the permissions it had (a group-readable flight stays so).
  if (exists && fs::is_regular_file(old)) ::fchmod(fd.get(), static_cast<mode_t>(old.permissions()) & 07777);
#endif
  const bool synced = Sync(fd.get());
  const int syncErr = errno;
  if (!fd.Close() || !synced) return discard(ErrnoText(synced ? errno : syncErr));
#ifdef _WIN32
  if (exists) CarryAttributes(target, temp);
#endif
  if (!MoveReplacing(temp, target)) return discard(ErrnoText(errno));
  SyncFolderOf(target);
  return {};
}

namespace {
// The bytes under a temporary name, flushed and made read-only, then given `to`.
IoResult WriteReadOnly(std::string_view bytes, const std::string& to, fs::perms perms,
                       std::optional<fs::file_time_type> modified) {
  const fs::path target = FsPath(to);
  std::error_code ec;
  const bool keepTime = modified.has_value();

  RemoveStaleTemporaries(target);
  fs::path temp;
  Fd fd(CreateTemporary(target, temp));
  if (!fd.valid()) return Fail(ErrnoText(errno));
  const auto discard = [&temp](std::string why) {
    std::error_code ignored;
    fs::permissions(temp, fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove(temp, ignored);
    return Fail(std::move(why));
  };
  if (!WriteAll(fd.get(), bytes)) {
    const int err = errno;
    fd.Close();
    return discard(ErrnoText(err));
  }
  const bool synced = Sync(fd.get());
  const int syncErr = errno;
  if (!fd.Close() || !synced) return discard(ErrnoText(synced ? errno : syncErr));
  // The copy is read-only before it has its name, so it is never seen writable.
  if (keepTime) fs::last_write_time(temp, *modified, ec);
#ifdef _WIN32
  (void)perms;
  if (!SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE))
    return discard("cannot set the attributes");
#else
  const fs::perms readOnly =
      perms & ~(fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write) & fs::perms::mask;
  fs::permissions(temp, readOnly, fs::perm_options::replace, ec);
  if (ec) return discard(ec.message());
#endif
  bool existed = false;
  if (!MoveNoReplace(temp, target, existed)) return discard(existed ? "the target exists" : ErrnoText(errno));
  SyncFolderOf(target);
  return {};
}
}  // namespace

IoResult CopyToReadOnly(const std::string& from, const std::string& to) {
  std::string bytes;
  if (IoResult r = ReadFileBytes(from, bytes); !r) return r;
  const fs::path source = FsPath(from);
  std::error_code ec;
  const fs::perms perms = fs::status(source, ec).permissions();
  const auto modified = fs::last_write_time(source, ec);
  return WriteReadOnly(bytes, to, perms, ec ? std::nullopt : std::optional(modified));
}

IoResult KeepReadOnly(std::string_view bytes, const std::string& to) {
  using fs::perms;
  return WriteReadOnly(bytes, to, perms::owner_read | perms::group_read | perms::others_read, std::nullopt);
}

IoResult RemoveFile(const std::string& path) {
  const fs::path p = FsPath(path);
  ClearReadOnly(p);
  std::error_code ec;
  if (!fs::remove(p, ec)) return Fail(ec ? ec.message() : "no such file");
  SyncFolderOf(p);
  return {};
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  const auto st = fs::status(FsPath(path), ec);
  return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(FsPath(path), ec);
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(FsPath(path), ec);
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return fs::equivalent(FsPath(a), FsPath(b), ec) && !ec;
}

IoResult SetReadOnly(const std::string& path) {
#ifdef _WIN32
  if (!SetFileAttributesW(FsPath(path).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE))
    return Fail("cannot set the attributes");
  return {};
#else
  std::error_code ec;
  fs::permissions(FsPath(path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove, ec);
  if (ec) return Fail(ec.message());
  return {};
#endif
}

bool IsWritable(const std::string& path) {
  // Judged by the permission bits, not by access(): the superuser may write to
  // anything, but a read-only file must stay read-only for us all the same.
  std::error_code ec;
  const auto st = fs::status(FsPath(path), ec);
  if (ec) return false;
  return (st.permissions() & fs::perms::owner_write) != fs::perms::none;
}

}  // namespace dv
