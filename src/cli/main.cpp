// devirarav-check: checks stored flights without the window, for a station's
// archive or as a gate before processing. Reads only; never writes a file.
//
//   devirarav-check [--details] [--format text|csv|json] [--config FILE] PATH...
//
// Exit status: 0 when every flight is ok, 1 when one has warnings, 2 when one
// has errors (or the command line is wrong).

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "check/CheckSettings.h"
#include "check/FlightCheck.h"
#include "cli/CheckOutput.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "desktop/Desktop.h"
#include "export/Export.h"
#include "flight/Saving.h"
#include "geo/TrackExport.h"
#ifdef DEVIRARAV_HAVE_PDF
#include "report/Review.h"
#include "report/StoredReport.h"
#endif
#include "wind/Wind.h"


#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

constexpr const char* kUsage =
    "Использование: devirarav-check [--details] [--format text|csv|json] [--config ФАЙЛ] ПУТЬ...\n"
    "  ПУТЬ     файл .info или папка (с вложенными папками); оригиналы .org.* не проверяются\n"
    "  --details       перечислить сообщения и находки каждого выпуска\n"
    "  --format        вид вывода: text (по умолчанию), csv или json\n"
    "  --config ФАЙЛ   пороги проверки из раздела [CHECK]; по умолчанию devirarav.CNF рядом с программой,\n"
    "                  у установленной программы ~/.config/devirarav/devirarav.CNF или /etc/devirarav/devirarav.CNF\n"
    "  --kml ПАПКА, --gpx ПАПКА, --csv ПАПКА\n"
    "                  записать туда траекторию каждого выпуска (ИМЯ-track.kml и т.д.)\n"
    "  --levels ПАПКА  записать туда уровни каждого выпуска (ИМЯ-levels.csv): у земли, стандартные,\n"
    "                  тропопауза, максимальный ветер; оценка для проверки\n"
    "  --zone ЧАСЫ     разница с ВСВ для времени GPX (по умолчанию 0)\n"
    "  --pdf ПАПКА     записать туда отчёт о каждом выпуске (ИМЯ-report.pdf)\n"
    "  --version       показать версию программы\n"
    "Код выхода: 0 - всё в порядке, 1 - есть предупреждения, 2 - есть ошибки.\n";

int Usage(const std::string& complaint) {
  if (!complaint.empty()) std::fprintf(stderr, "devirarav-check: %s\n", complaint.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

#ifdef _WIN32
std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// The core takes UTF-8 paths on Windows; argv is in the ANSI code page, where a
// Cyrillic name may not even be representable, so the wide command line is used.
std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  int n = 0;
  if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
    for (int i = 0; i < n; ++i) args.push_back(Utf8(wide[i]));
    LocalFree(wide);
  } else {
    args.assign(argv, argv + argc);
  }
  return args;
}

// This program's file, UTF-8.
std::string SelfPath(const std::string& argv0) {
  std::wstring self(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (n == 0) return argv0;
    if (n < self.size()) {
      self.resize(n);
      break;
    }
    self.resize(self.size() * 2);
  }
  const std::u8string u = std::filesystem::path(self).u8string();
  return std::string(u.begin(), u.end());
}
#else
std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

// This program's file.
std::string SelfPath(const std::string& argv0) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? argv0 : self.string();
}
#endif

// The main program's settings: beside this program when run from a folder of
// the user's, else the user's (or the system's) settings file of an installed program.
std::string DefaultConfig(const std::string& argv0) {
  using namespace dv::desktop;
  return ReadableConfig(LocateConfig(CurrentPlaces(SelfPath(argv0), kConfigName)));
}

}  // namespace

int main(int rawArgc, char** rawArgv) {
#ifdef _WIN32
  // The reports are bytes: CSV lines end in CR LF and text lines in LF, as written,
  // not with a CR added by a text-mode stream.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::vector<std::string> argv = Arguments(rawArgc, rawArgv);
  const int argc = static_cast<int>(argv.size());
  bool details = false;
  dv::OutputFormat format = dv::OutputFormat::Text;
  std::string config = DefaultConfig(argc > 0 ? argv[0] : std::string());
  std::vector<std::string> paths;
  std::string kmlDir, gpxDir, csvDir, levelsDir, pdfDir;
  int zone = 0;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (optionsEnded || a.empty() || a[0] != '-') {
      paths.emplace_back(a);
      continue;
    }
    const auto value = [&](std::string_view name) -> std::optional<std::string> {
      if (a.size() > name.size() && a.substr(0, name.size()) == name && a[name.size()] == '=')
        return std::string(a.substr(name.size() + 1));
      if (a == name && i + 1 < argc) return std::string(argv[++i]);
      return std::nullopt;
    };
    if (a == "--") {
      optionsEnded = true;
    } else if (a == "--details") {
      details = true;
    } else if (a == "--version") {
      std::printf("devirarav-check %s\n", dv::desktop::Version());
      return 0;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a.rfind("--format", 0) == 0) {
      const auto f = value("--format");
      if (f == "text") format = dv::OutputFormat::Text;
      else if (f == "csv") format = dv::OutputFormat::Csv;
      else if (f == "json") format = dv::OutputFormat::Json;
      else return Usage("неизвестный вид вывода: " + f.value_or(""));
    } else if (a.rfind("--kml", 0) == 0 || a.rfind("--gpx", 0) == 0 || a.rfind("--csv", 0) == 0) {
      const std::string name(a.substr(0, 5));
      const auto f = value(name);
      if (!f || f->empty()) return Usage("не указана папка для " + name);
      (name == "--kml" ? kmlDir : name == "--gpx" ? gpxDir : csvDir) = *f;
    } else if (a.rfind("--levels", 0) == 0) {
      const auto f = value("--levels");
      if (!f || f->empty()) return Usage("не указана папка для --levels");
      levelsDir = *f;
    } else if (a.rfind("--pdf", 0) == 0) {
      const auto f = value("--pdf");
      if (!f || f->empty()) return Usage("не указана папка для --pdf");
#ifdef DEVIRARAV_HAVE_PDF
      pdfDir = *f;
#else
      return Usage("в этой сборке нет отчётов PDF");
#endif
    } else if (a.rfind("--zone", 0) == 0) {
      const auto f = value("--zone");
      const auto hours = f ? dv::ParseZoneHours(*f) : std::nullopt;
      if (!hours || !dv::ZoneHoursAllowed(*hours)) return Usage("неверный пояс: " + f.value_or(""));
      zone = *hours;
    } else if (a.rfind("--config", 0) == 0) {
      const auto f = value("--config");
      if (!f) return Usage("не указан файл настроек");
      config = *f;
    } else {
      return Usage("неизвестный ключ: " + std::string(a));
    }
  }
  if (paths.empty()) return Usage("не указан ни один выпуск");

  const dv::CheckThresholds limits = dv::ReadCheckThresholds(config);
  const dv::WindSettings windSettings = dv::ReadWindSettings(config);
  // The exports of a flight read: its track beside the others in each folder asked for.
  dv::FlightLoaded exportTrack;
  if (!kmlDir.empty() || !gpxDir.empty() || !csvDir.empty() || !levelsDir.empty()) {
    exportTrack = [&](dv::FlightReport& r, dv::FlightProducts& products) {
      products.SetWindSettings(windSettings);
      const dv::InitialData& info = products.info();
      const std::string name = dv::NameWithoutExt(r.path);
      const auto save = [&](const std::string& file, const std::string& bytes) {
        if (!dv::WriteFileAtomic(file, bytes)) r.messages.push_back({dv::Verdict::Error, std::string(dv::kSaveError) + " " + file});
      };
      if (!levelsDir.empty())
        save(dv::LevelsFileName(dv::IncludeTrailingPathDelimiter(levelsDir) + name), dv::FormatLevelsCsv(products.Levels()));
      if (kmlDir.empty() && gpxDir.empty() && csvDir.empty()) return;
      const auto track = products.Track();
      const auto write = [&](const std::string& dir, const char* ext, const std::string& bytes) {
        save(dv::TrackFileName(dv::IncludeTrailingPathDelimiter(dir) + name, ext), bytes);
      };
      if (!csvDir.empty()) write(csvDir, "csv", dv::FormatTrackCsv(track));
      if (kmlDir.empty() && gpxDir.empty()) return;
      if (!dv::StationKnown(info) || dv::PositionCount(track) == 0) {
        r.messages.push_back({dv::Verdict::Warn, dv::StationKnown(info) ? dv::kNoTrackPositions : dv::kNoStationPosition});
        return;
      }
      if (!kmlDir.empty()) write(kmlDir, "kml", dv::FormatTrackKml(track, name));
      const auto start = info.StartTime();
      if (!gpxDir.empty() && start) write(gpxDir, "gpx", dv::FormatTrackGpx(track, name, dv::AddSeconds(*start, -3600LL * zone)));
    };
  }
  std::vector<dv::FlightReport> reports;
  const std::vector<std::string> flights = dv::FindFlights(paths, reports);
  const std::size_t first = reports.size();
  reports.resize(first + flights.size());
  // Flights are independent: one worker per core, each taking the next.
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t k; (k = next.fetch_add(1)) < flights.size();)
      reports[first + k] = dv::CheckFlight(flights[k], limits, exportTrack);
  };
  const unsigned workers = std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
  std::vector<std::thread> pool;
  for (unsigned w = 1; w < workers && w < flights.size(); ++w) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();

#ifdef DEVIRARAV_HAVE_PDF
  // Qt draws on one thread only: the reports follow the checks, one by one.
  std::optional<dv::ReportSession> session;
  if (!pdfDir.empty()) session.emplace();
  if (session)
    for (dv::FlightReport& r : reports) {
      if (r.verdict == dv::Verdict::Error) continue;
      const std::string file = dv::ReportFileName(dv::IncludeTrailingPathDelimiter(pdfDir) + dv::NameWithoutExt(r.path));
      if (const auto error = dv::WriteStoredFlightReport(r.path, file, r.findings, windSettings))
        r.messages.push_back({dv::Verdict::Error, *error});
    }
#endif
  // A message the export added counts in the verdict.
  for (dv::FlightReport& r : reports)
    for (const dv::LoadMessage& m : r.messages) r.verdict = std::max(r.verdict, m.level);
  const std::string out = dv::FormatReports(reports, format, details);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) return 2;
  return dv::ExitStatus(reports);
}
