#pragma once
// The program as an installed desktop program: where its settings file lives,
// where its manual is, the window's remembered place, the last opened flights,
// and the texts of the status bar. Standard library only.

#include <string>
#include <string_view>
#include <vector>

#include "flight/Points.h"

namespace dv {
class ProfileFile;
}

namespace dv::desktop {

// The one version number of the build, as both programs print it.
const char* Version();

// The settings file's name in the user's and the system's folders.
inline constexpr const char* kConfigName = "devirarav.CNF";

// What decides where the settings file lives.
struct ConfigPlaces {
  std::string besideFile;       // the settings file beside the program
  bool programFolderWritable = false;
  bool installed = false;       // the program stands in an installed layout (bin/ beside share/devirarav/)
  std::string xdgConfigHome;    // $XDG_CONFIG_HOME (Windows: %APPDATA%); may be empty
  std::string home;             // $HOME; may be empty
  std::string systemFile;       // the system-wide settings (/etc/devirarav/devirarav.CNF); "" for none
};

struct ConfigLocation {
  std::string file;  // read from and written to
  // Read while `file` does not exist yet, and copied into it before its first
  // write; empty when the settings stay beside the program.
  std::string seed;
  bool beside = true;
};

// Beside the program when its folder is writable and it is not installed; else
// devirarav/devirarav.CNF in the user's configuration folder ($XDG_CONFIG_HOME,
// or ~/.config), seeded from the system-wide file.
ConfigLocation LocateConfig(const ConfigPlaces& places);

// The places of this process: `programPath` is the program file, `besideName`
// the settings file's name beside it.
ConfigPlaces CurrentPlaces(const std::string& programPath, const std::string& besideName);

// The file to read now: the settings file, or the seed while it is missing.
std::string ReadableConfig(const ConfigLocation& location);

// Makes the settings file ready for its first write: its folder created and the
// seed's bytes copied in when the file is missing. False when that failed.
bool PrepareConfigForWrite(const ConfigLocation& location);

// A folder this process may create files in.
bool IsFolderWritable(const std::string& folder);

// The manual's index page: in an installed layout share/devirarav/manual beside
// bin/, beside the program (a Windows folder), or the source tree's docs/manual
// for a program run from its build folder. The first that exists; the first
// candidate when none does (for the message).
std::string FindManual(const std::string& programFolder, const std::string& sourceFolder, bool* found);

// The window's place between runs, section [WINDOW].
struct WindowPlace {
  int left = 0, top = 0, width = 0, height = 0;
  bool maximized = false;
  int splitter = 0;  // the listings' width
  bool valid = false;  // all of the size was there and sensible
};
WindowPlace ReadWindowPlace(const ProfileFile& profile);
void WriteWindowPlace(ProfileFile& profile, const WindowPlace& place);

// The last opened flights, newest first, section [RECENT] File1...File8.
inline constexpr int kRecentCount = 8;
std::vector<std::string> ReadRecent(const ProfileFile& profile);
void WriteRecent(ProfileFile& profile, const std::vector<std::string>& files);
// `file` put first, an earlier entry of the same file taken out, the list cut to kRecentCount.
void AddRecent(std::vector<std::string>& files, const std::string& file);

// Writes what the window keeps at close, in one go: [OPTIONS] Path (the folder
// of the open dialog's file name), the window's place (when valid) and the
// last flights; every other byte of the file stays. False, with the file as it
// was, when it could not be read or written.
bool WriteSettingsAtClose(const ConfigLocation& location, std::string_view dialogFileName,
                          const WindowPlace& place, const std::vector<std::string>& recent);

// "TU: 7201 (искл. 12)  CRD: 3601 (искл. 0)"; a telemetry point counts as
// excluded when either of its values is.
std::string PointCountsText(const TuArray& tu, const CrdArray& crd);
// "Записано: a, b" with the files' names without their folders.
std::string WrittenText(const std::vector<std::string>& files);

}  // namespace dv::desktop
