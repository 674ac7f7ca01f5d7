#pragma once
// The program's settings file (<program>.CNF) as the main window uses it:
// where to start, where the open dialog points, the optional processing
// program, and the set of radiosonde codes the observer may choose from.

#include <string>
#include <string_view>
#include <vector>

#include "check/CheckRules.h"

namespace dv {

struct Configuration {
  std::string startDir;             // [OPTIONS] Src, or the command-line folder
  std::string openDialogDir;        // the open dialog's initial folder ([OPTIONS] Src)
  std::string openDialogFileName;   // [OPTIONS] Path + separator + "*.info"
  // [TELEGM]: the processing program and its work folder; both empty when the
  // section is absent.
  std::string processingExe;
  std::string processingTemp;       // always ends in a separator when set
  bool processingAvailable = false;
  std::string raraSet;              // [RaRa] Set, trimmed
  bool raraSetValid = true;
  CheckThresholds check;            // [CHECK], the suspect-point rules
  std::string openAtStart;          // a flight's .info named on the command line
};

// The program's own path with its extension replaced by ".CNF" (appended when
// the file name has none).
std::string ConfigFileName(std::string_view programPath);

// Reads `configFile`; `startDir` is the folder to use when it names none.
// A missing or unreadable file gives the defaults.
Configuration ReadConfiguration(const std::string& configFile, std::string_view startDir);

// `args` without the program name: exactly one argument is the start folder;
// the open dialog keeps its folder from the file. One argument ending in ".info"
// (not a folder) is a flight to open at start instead. Other counts change nothing.
void ApplyCommandLine(Configuration& config, const std::vector<std::string>& args);

// "n;n;..." with each n an integer 1..99; blanks may precede a number but not
// follow it; a final ";" ends the list. The empty set is valid.
bool CheckRaRaSet(std::string_view text);

// Shown for an invalid set. UTF-8, with `setText` bytes put in as they are.
std::string RaRaSetErrorMessage(std::string_view setText);

// Stores the folder of the dialog's current file name (with its trailing
// separator) as [OPTIONS] Path, creating the file when missing; nothing else
// in the file changes. A name with no folder stores an empty Path.
bool WriteConfigPath(const std::string& configFile, std::string_view dialogFileName);

// Shown when WriteConfigPath fails.
std::string WriteConfigErrorMessage(std::string_view configFile);

}  // namespace dv
