#include "TestSupport.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace dvtest {

fs::path PathOf(const std::string& path) {
#ifdef _WIN32
  return fs::path(std::u8string(path.begin(), path.end()));
#else
  return fs::path(path);
#endif
}

std::string StringOf(const fs::path& path) {
#ifdef _WIN32
  const std::u8string u = path.u8string();
  return std::string(u.begin(), u.end());
#else
  return path.string();
#endif
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("devirarav-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write bits so that remove_all can clear read-only originals.
  for (auto& e : fs::recursive_directory_iterator(path_, ec))
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return StringOf(path_ / PathOf(name)); }

std::string ReadAll(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string DataFile(const std::string& name) { return std::string(DEVIRARAV_TEST_DATA) + "/" + name; }
std::string ExampleFile(const std::string& name) { return std::string(DEVIRARAV_EXAMPLES) + "/" + name; }

void MakeReadOnly(const std::string& path) {
  fs::permissions(PathOf(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool IsReadOnly(const std::string& path) {
  return (fs::status(PathOf(path)).permissions() & fs::perms::owner_write) == fs::perms::none;
}

std::string FlightSaveViolation(const std::string& base, const std::map<std::string, std::string>& delivered,
                                const std::map<std::string, std::string>& saved) {
  for (const char* ext : {".info", ".tu", ".crd"}) {
    const std::string own = base + ext;
    if (!fs::exists(PathOf(own))) return std::string(ext) + " is missing";
    const std::string now = ReadAll(own);
    if (now != delivered.at(ext) && now != saved.at(ext)) return std::string(ext) + " holds other bytes";
    const std::string org = base + ".org" + ext;
    if (fs::exists(fs::symlink_status(PathOf(org)))) {
      if (ReadAll(org) != delivered.at(ext)) return std::string(".org") + ext + " is not the delivered file";
      if (!IsReadOnly(org)) return std::string(".org") + ext + " is writable";
    }
  }
  // Nothing else may look like a file of the flight: the processing program takes NAME.*.
  const std::string name = StringOf(PathOf(base).filename()) + ".";
  for (const auto& e : fs::directory_iterator(PathOf(base).parent_path())) {
    const std::string n = StringOf(e.path().filename());
    if (n.rfind(name, 0) != 0) continue;
    const std::string ext = n.substr(name.size() - 1);
    if (ext != ".info" && ext != ".tu" && ext != ".crd" && ext != ".org.info" && ext != ".org.tu" &&
        ext != ".org.crd")
      return "a stray " + n;
  }
  return {};
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null").c_str()) == 0;
}

}  // namespace dvtest
