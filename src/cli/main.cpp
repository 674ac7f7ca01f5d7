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

namespace {

constexpr const char* kUsage =
    "Использование: devirarav-check [--details] [--format text|csv|json] [--config ФАЙЛ] ПУТЬ...\n"
    "  ПУТЬ     файл .info или папка (с вложенными папками); оригиналы .org.* не проверяются\n"
    "  --details       перечислить сообщения и находки каждого выпуска\n"
    "  --format        вид вывода: text (по умолчанию), csv или json\n"
    "  --config ФАЙЛ   пороги проверки из раздела [CHECK]; по умолчанию devirarav.CNF рядом с программой\n"
    "Код выхода: 0 - всё в порядке, 1 - есть предупреждения, 2 - есть ошибки.\n";

int Usage(const std::string& complaint) {
  if (!complaint.empty()) std::fprintf(stderr, "devirarav-check: %s\n", complaint.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// The main program's settings file beside this one.
std::string DefaultConfig(const char* argv0) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::path(argv0);
  return (self.parent_path() / "devirarav.CNF").string();
}

}  // namespace

int main(int argc, char** argv) {
  bool details = false;
  dv::OutputFormat format = dv::OutputFormat::Text;
  std::string config = DefaultConfig(argv[0]);
  std::vector<std::string> paths;
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
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a.rfind("--format", 0) == 0) {
      const auto f = value("--format");
      if (f == "text") format = dv::OutputFormat::Text;
      else if (f == "csv") format = dv::OutputFormat::Csv;
      else if (f == "json") format = dv::OutputFormat::Json;
      else return Usage("неизвестный вид вывода: " + f.value_or(""));
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
  std::vector<dv::FlightReport> reports;
  const std::vector<std::string> flights = dv::FindFlights(paths, reports);
  const std::size_t first = reports.size();
  reports.resize(first + flights.size());
  // Flights are independent: one worker per core, each taking the next.
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t k; (k = next.fetch_add(1)) < flights.size();)
      reports[first + k] = dv::CheckFlight(flights[k], limits);
  };
  const unsigned workers = std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
  std::vector<std::thread> pool;
  for (unsigned w = 1; w < workers && w < flights.size(); ++w) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();

  const std::string out = dv::FormatReports(reports, format, details);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0) return 2;
  return dv::ExitStatus(reports);
}
