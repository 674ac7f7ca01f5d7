#include "common/FileIO.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
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

IoResult Fail(std::string why) { return IoResult{false, std::move(why)}; }

std::string ErrnoText(int err) { return std::strerror(err); }

#ifdef _WIN32
int OpenExclusive(const fs::path& p) {
  return _wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
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
bool SyncAndClose(int fd) {
  const bool synced = _commit(fd) == 0;
  return (_close(fd) == 0) && synced;
}
void CloseQuietly(int fd) { _close(fd); }
#else
int OpenExclusive(const fs::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
bool SyncAndClose(int fd) {
  const bool synced = ::fsync(fd) == 0;
  return (::close(fd) == 0) && synced;
}
void CloseQuietly(int fd) { ::close(fd); }
#endif

}  // namespace

IoResult ReadFileBytes(const std::string& path, std::string& bytes, std::size_t maxBytes) {
  bytes.clear();
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) return Fail(ErrnoText(errno));
  std::error_code ec;
  const auto size = fs::file_size(FsPath(path), ec);
  if (!ec && size > maxBytes) return Fail(kFileTooLarge);
  if (!ec && size > 0) bytes.reserve(static_cast<std::size_t>(size));
  char buf[1 << 16];
  while (in) {
    in.read(buf, sizeof buf);
    bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > maxBytes) {  // a file that grows while it is read
      bytes.clear();
      return Fail(kFileTooLarge);
    }
  }
  if (in.bad()) return Fail("read error");
  return {};
}

IoResult WriteFileAtomic(const std::string& path, std::string_view bytes) {
  const fs::path target = FsPath(path);
  std::error_code ec;
  if (fs::exists(target, ec) && !IsWritable(path)) return Fail("the file is read-only");

  static std::atomic<unsigned> counter{0};
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target;
    temp += ".~" + std::to_string(counter.fetch_add(1)) + ".tmp";
    fd = OpenExclusive(temp);
    if (fd < 0 && errno != EEXIST) return Fail(ErrnoText(errno));
  }
  if (fd < 0) return Fail("no temporary file name is free");

  const bool written = WriteAll(fd, bytes);
  const int writeErr = errno;
  if (!written) {
    CloseQuietly(fd);
    fs::remove(temp, ec);
    return Fail(ErrnoText(writeErr));
  }
  if (!SyncAndClose(fd)) {
    const int err = errno;
    fs::remove(temp, ec);
    return Fail(ErrnoText(err));
  }
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return Fail(ec.message());
  }
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

IoResult RenameFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (fs::exists(FsPath(to), ec)) return Fail("the target exists");
  fs::rename(FsPath(from), FsPath(to), ec);
  if (ec) return Fail(ec.message());
  return {};
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

IoResult SetWritable(const std::string& path) {
  std::error_code ec;
  fs::permissions(FsPath(path), fs::perms::owner_write, fs::perm_options::add, ec);
  if (ec) return Fail(ec.message());
  return {};
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
