#include "app/Configuration.h"

#include "app/ProfileFile.h"
#include "check/CheckSettings.h"
#include "common/FileIO.h"
#include "common/Helpers.h"

namespace dv {

std::string ConfigFileName(std::string_view programPath) {
  return ChangeFileExtToNone(programPath) + ".CNF";
}

Configuration ReadConfiguration(const std::string& configFile, std::string_view startDir) {
  ProfileFile profile;
  profile.Load(configFile);  // unreadable: every value takes its default

  Configuration config;
  config.startDir = profile.Read("OPTIONS", "Src", startDir);
  config.openDialogDir = config.startDir;
  config.openDialogFileName =
      IncludeTrailingPathDelimiter(profile.Read("OPTIONS", "Path", config.startDir)) + "*.info";

  if (profile.HasSection("TELEGM")) {
    config.processingExe = profile.Read("TELEGM", "EXE", "rivadivur.exe");
    config.processingTemp = IncludeTrailingPathDelimiter(profile.Read("TELEGM", "TEMP", "TEMP"));
    // Relative names mean the working folder, as the processing program is started from there.
    config.processingAvailable =
        FileExists(config.processingExe) && DirectoryExists(config.processingTemp);
  }

  config.raraSet = std::string(Trim(profile.Read("RaRa", "Set", "")));
  config.raraSetValid = CheckRaRaSet(config.raraSet);
  config.check = ReadCheckThresholds(profile);
  return config;
}

void ApplyCommandLine(Configuration& config, const std::vector<std::string>& args) {
  if (args.size() != 1) return;
  const std::string& arg = args.front();
  // A file manager or a desktop entry hands over the flight's .info file.
  std::string ext = arg.size() > 5 ? arg.substr(arg.size() - 5) : std::string();
  for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  const bool info = ext == ".info";
  if (info && !DirectoryExists(arg)) config.openAtStart = arg;
  else config.startDir = arg;
}

namespace {

bool IsValidCode(std::string_view item) {
  while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
  // TextToInt would also forgive blanks after the number, which the set must not have.
  if (item.empty() || static_cast<unsigned char>(item.back()) <= ' ' ||
      static_cast<unsigned char>(item.front()) <= ' ')
    return false;
  return TextToInt(item, 1, 99).has_value();
}

}  // namespace

bool CheckRaRaSet(std::string_view text) {
  while (!text.empty()) {
    const std::size_t semi = text.find(';');
    const std::string_view item = text.substr(0, semi);
    if (!IsValidCode(item)) return false;
    text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
  }
  return true;
}

std::string RaRaSetErrorMessage(std::string_view setText) {
  return std::string(Trim(setText)) +
         " набор кодов радиозондов задан неверно, редактирование кода невозможно!";
}

bool WriteConfigPath(const std::string& configFile, std::string_view dialogFileName) {
  return WriteProfileString(configFile, "OPTIONS", "Path", ExtractFilePath(dialogFileName));
}

std::string WriteConfigErrorMessage(std::string_view configFile) {
  return "Unable to write to / Не могу записать в " + std::string(configFile);
}

}  // namespace dv
