#pragma once
// Shared test helpers: temporary folders, whole-file bytes, fixture paths.

#include <filesystem>
#include <map>
#include <string>

namespace dvtest {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // path()/name as a string
  std::string file(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Our path strings are UTF-8 on Windows (the core's convention there) and bytes
// elsewhere; these turn them into paths and back without the ANSI code page.
std::filesystem::path PathOf(const std::string& path);
std::string StringOf(const std::filesystem::path& path);

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
// A fixture from tests/data.
std::string DataFile(const std::string& name);

// What a shell command prints (its standard output), and whether a program is on the path.
std::string CommandOutput(const std::string& command);
bool HaveProgram(const std::string& name);
// A sample flight file from examples/.
std::string ExampleFile(const std::string& name);
// Removes every write bit (the test runs as root, so this stands for read-only
// files only through the permission bits our code checks).
void MakeReadOnly(const std::string& path);
bool IsReadOnly(const std::string& path);

// What a save may leave at any instant: each own name (".info", ".tu", ".crd") holds
// the delivered or the saved bytes, each original is absent or exactly the delivered
// bytes and read-only, and nothing else in the folder is named like a file of the
// flight. Empty when all holds, else what does not.
std::string FlightSaveViolation(const std::string& base, const std::map<std::string, std::string>& delivered,
                                const std::map<std::string, std::string>& saved);

}  // namespace dvtest
