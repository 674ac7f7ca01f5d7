#include "desktop/Desktop.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "app/ProfileFile.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "desktop/Version.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace dv::desktop {

namespace {

// The core's paths are UTF-8 on every platform.
fs::path FsPath(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string FromFs(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

const char* Version() { return kVersion; }

ConfigLocation LocateConfig(const ConfigPlaces& places) {
  if (places.programFolderWritable && !places.installed) return {places.besideFile, {}, true};
  // An installed program's folder belongs to the system (even when the superuser could write there).
  fs::path folder;
  if (!places.xdgConfigHome.empty() && FsPath(places.xdgConfigHome).has_root_directory())
    folder = FsPath(places.xdgConfigHome);
  else if (!places.home.empty())
    folder = FsPath(places.home) / ".config";
  else
    folder = FsPath(ExtractFilePath(places.besideFile));  // nowhere else to go
  return {FromFs(folder / "devirarav" / kConfigName), places.systemFile, false};
}

ConfigPlaces CurrentPlaces(const std::string& programPath, const std::string& besideName) {
  ConfigPlaces places;
  const fs::path program = FsPath(programPath);
  const fs::path folder = program.parent_path();
  places.besideFile = FromFs(folder / FsPath(besideName));
  places.programFolderWritable = IsFolderWritable(FromFs(folder));
  std::error_code ec;
  places.installed = folder.filename() == "bin" && fs::is_directory(folder.parent_path() / "share" / "devirarav", ec);
#ifdef _WIN32
  places.xdgConfigHome = Env("APPDATA");
  places.home = Env("USERPROFILE");
#else
  places.xdgConfigHome = Env("XDG_CONFIG_HOME");
  places.home = Env("HOME");
  places.systemFile = std::string("/etc/devirarav/") + kConfigName;
#endif
  return places;
}

std::string ReadableConfig(const ConfigLocation& location) {
  if (!location.seed.empty() && !FileExists(location.file) && FileExists(location.seed)) return location.seed;
  return location.file;
}

bool PrepareConfigForWrite(const ConfigLocation& location) {
  if (location.beside || FileExists(location.file)) return true;
  std::error_code ec;
  fs::create_directories(FsPath(location.file).parent_path(), ec);
  if (ec) return false;
  if (location.seed.empty() || !FileExists(location.seed)) return true;
  std::string bytes;
  if (!ReadFileBytes(location.seed, bytes)) return false;
  return static_cast<bool>(WriteFileAtomic(location.file, bytes));
}

bool WriteSettingsAtClose(const ConfigLocation& location, std::string_view dialogFileName,
                          const WindowPlace& place, const std::vector<std::string>& recent) {
  if (!PrepareConfigForWrite(location)) return false;
  ProfileFile profile;
  // Rewriting a file we could not read would lose its contents.
  if (!profile.Load(location.file)) return false;
  if (!profile.Write("OPTIONS", "Path", ExtractFilePath(dialogFileName))) return false;
  if (place.valid) WriteWindowPlace(profile, place);
  WriteRecent(profile, recent);
  return profile.Save(location.file);
}

bool IsFolderWritable(const std::string& folder) {
#ifdef _WIN32
  // Access rights on Windows are lists, not bits: try it.
  std::random_device random;
  const fs::path probe = FsPath(folder) / (".~devirarav-probe-" + std::to_string(random()) + ".tmp");
  { std::ofstream out(probe); if (!out) return false; }
  std::error_code ec;
  fs::remove(probe, ec);
  return true;
#else
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
#endif
}

std::string FindManual(const std::string& programFolder, const std::string& sourceFolder, bool* found) {
  const fs::path program = FsPath(programFolder);
  std::vector<fs::path> candidates{program.parent_path() / "share" / "devirarav" / "manual" / "index.html",
                                   program / "manual" / "index.html"};
  if (!sourceFolder.empty()) candidates.push_back(FsPath(sourceFolder) / "docs" / "manual" / "index.html");
  for (const fs::path& c : candidates) {
    if (IsRegularFile(FromFs(c))) {
      if (found) *found = true;
      return FromFs(c);
    }
  }
  if (found) *found = false;
  return FromFs(candidates.front());
}

namespace {

std::optional<int> IntKey(const ProfileFile& profile, const char* key) {
  const auto v = TextToInt(profile.Read("WINDOW", key, ""), -100000, 100000);
  if (!v) return std::nullopt;
  return static_cast<int>(*v);
}

}  // namespace

WindowPlace ReadWindowPlace(const ProfileFile& profile) {
  WindowPlace place;
  const auto left = IntKey(profile, "Left"), top = IntKey(profile, "Top");
  const auto width = IntKey(profile, "Width"), height = IntKey(profile, "Height");
  if (!left || !top || !width || !height || *width <= 0 || *height <= 0) return place;
  place.left = *left;
  place.top = *top;
  place.width = *width;
  place.height = *height;
  place.maximized = IntKey(profile, "Maximized").value_or(0) != 0;
  place.splitter = std::max(0, IntKey(profile, "Splitter").value_or(0));
  place.valid = true;
  return place;
}

void WriteWindowPlace(ProfileFile& profile, const WindowPlace& place) {
  const std::pair<const char*, int> keys[] = {{"Left", place.left},     {"Top", place.top},
                                              {"Width", place.width},   {"Height", place.height},
                                              {"Maximized", place.maximized ? 1 : 0},
                                              {"Splitter", place.splitter}};
  for (const auto& [key, value] : keys) profile.Write("WINDOW", key, std::to_string(value));
}

std::vector<std::string> ReadRecent(const ProfileFile& profile) {
  std::vector<std::string> files;
  for (int i = 1; i <= kRecentCount; ++i) {
    std::string file = profile.Read("RECENT", "File" + std::to_string(i), "");
    if (!file.empty() && std::find(files.begin(), files.end(), file) == files.end()) files.push_back(std::move(file));
  }
  return files;
}

void WriteRecent(ProfileFile& profile, const std::vector<std::string>& files) {
  // Emptied keys stay as "FileN=" rather than leave a stale name behind.
  for (int i = 1; i <= kRecentCount; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    const std::string key = "File" + std::to_string(i);
    const std::string& value = k < files.size() ? files[k] : std::string();
    if (!value.empty() || !profile.Read("RECENT", key, "").empty()) profile.Write("RECENT", key, value);
  }
}

void AddRecent(std::vector<std::string>& files, const std::string& file) {
  std::erase(files, file);
  files.insert(files.begin(), file);
  if (files.size() > static_cast<std::size_t>(kRecentCount)) files.resize(kRecentCount);
}

std::string PointCountsText(const TuArray& tu, const CrdArray& crd) {
  int tuExcluded = 0, crdExcluded = 0;
  for (int i = 0; i < tu.Count(); ++i) tuExcluded += (tu[i].TExcluded || tu[i].UExcluded) ? 1 : 0;
  for (int i = 0; i < crd.Count(); ++i) crdExcluded += crd[i].Excluded ? 1 : 0;
  return "TU: " + std::to_string(tu.Count()) + " (искл. " + std::to_string(tuExcluded) + ")  CRD: " +
         std::to_string(crd.Count()) + " (искл. " + std::to_string(crdExcluded) + ")";
}

std::string WrittenText(const std::vector<std::string>& files) {
  std::string text = "Записано: ";
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i > 0) text += ", ";
    text += ExtractFileName(files[i]);
  }
  return text;
}

}  // namespace dv::desktop
