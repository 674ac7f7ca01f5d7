#include "check/FlightCheck.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"
#include "open/Checks.h"
#include "open/FlightLoad.h"

namespace dv {

namespace fs = std::filesystem;

const char* VerdictName(Verdict v) {
  switch (v) {
    case Verdict::Ok: return "ok";
    case Verdict::Warn: return "warn";
    case Verdict::Error: return "error";
  }
  return "error";
}

namespace {

void Say(FlightReport& r, Verdict level, std::string text) {
  r.messages.push_back({level, std::move(text)});
  r.verdict = std::max(r.verdict, level);
}

// The file's name ends in ".info", whatever the case.
bool IsInfoName(const std::string& name) {
  if (name.size() < 5) return false;
  std::string ext = name.substr(name.size() - 5);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".info";
}

bool IsOriginal(const std::string& fileName) { return fileName.find(".org") != std::string::npos; }

// Our strings are bytes on POSIX and UTF-8 on Windows.
fs::path FsPath(const std::string& s) {
#ifdef _WIN32
  return fs::path(std::u8string(s.begin(), s.end()));
#else
  return fs::path(s);
#endif
}

std::string StringOf(const fs::path& p) {
#ifdef _WIN32
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
#else
  return p.string();
#endif
}

// A point file's outcome in the checker's words; false when it was not read.
bool PointFileRead(FlightReport& r, const FileState& file) {
  if (!file.exists) Say(r, Verdict::Error, file.path + " отсутствует!");
  else if (!file.regular) Say(r, Verdict::Error, kNotAFile + file.path);
  else if (!file.read) Say(r, Verdict::Error, file.error);
  return file.read;
}

}  // namespace

FlightReport CheckFlight(const std::string& infoPath, const CheckThresholds& limits, const FlightLoaded& loaded) {
  FlightReport r;
  r.path = infoPath;
  Flight flight;
  LoadOptions options;
  options.readOnAfterError = true;
  options.originalsFromWorking = false;
  const FlightLoad load = LoadFlightFiles(infoPath, flight, options);
  if (!load.info.regular) {
    Say(r, Verdict::Error, kNotAFile + infoPath);
    return r;
  }
  for (const std::string& m : load.infoRead.messages) Say(r, load.info.read ? Verdict::Warn : Verdict::Error, m);
  if (!load.info.read) return r;
  const InitialData& info = flight.Info;
  r.station = info.StationSynopticIndex;
  const auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
  r.launch = std::to_string(info.StartYear) + "-" + two(info.StartMonth) + "-" + two(info.StartDay) + "T" +
             two(info.StartHour) + ":" + two(info.StartMinute);
  if (load.orgInfo.exists && !load.orgInfo.regular) Say(r, Verdict::Error, load.orgInfo.error);
  for (const std::string& m : load.orgInfoRead.messages) Say(r, load.orgInfo.read ? Verdict::Warn : Verdict::Error, m);

  const TuArray& tu = flight.Points.TuPoints;
  const CrdArray& crd = flight.Points.CrdPoints;
  const bool haveTu = PointFileRead(r, load.tu);
  const bool haveCrd = PointFileRead(r, load.crd);
  r.tuPoints = tu.Count();
  r.crdPoints = crd.Count();
  const std::string shorter = std::string(kShorterOriginal) + " " + kViewOnly;
  if (haveCrd && load.orgCrd.exists && PointFileRead(r, load.orgCrd) && load.crdShorter)
    Say(r, Verdict::Warn, "crd: " + shorter);
  if (haveTu && load.orgTu.exists && PointFileRead(r, load.orgTu) && load.tuShorter)
    Say(r, Verdict::Warn, "tu: " + shorter);
  if (const auto t = load.tuTimeFailure) Say(r, Verdict::Warn, kTuTimeFailure + FormatFixed(*t, 0, 2));
  if (const auto t = load.crdTimeFailure) Say(r, Verdict::Warn, kCrdTimeFailure + FormatFixed(*t, 0, 2));
  // Point 0 is the surface or the launch: a file with nothing after it has no sounding.
  if (haveTu && tu.Count() < 2) Say(r, Verdict::Error, kNoPoints + load.tu.path);
  if (haveCrd && crd.Count() < 2) Say(r, Verdict::Error, kNoPoints + load.crd.path);
  const ValueCounts& counts = load.counts;
  if (counts.tuOutOfRange > 0) Say(r, Verdict::Warn, kFlaggedOnReading + std::to_string(counts.tuOutOfRange));
  if (counts.tuMissing > 0) Say(r, Verdict::Ok, kTuMissingValues + std::to_string(counts.tuMissing));
  if (counts.crdMissing > 0) Say(r, Verdict::Ok, kCrdMissingValues + std::to_string(counts.crdMissing));
  FlightProducts products(flight.Points, flight.Info, &flight.OrgInfo);
  products.SetThresholds(limits);
  r.findings = products.Findings();
  if (!r.findings.empty()) r.verdict = std::max(r.verdict, Verdict::Warn);
  if (loaded && haveTu && haveCrd) loaded(r, products);
  return r;
}

std::vector<std::string> FindFlights(const std::vector<std::string>& paths, std::vector<FlightReport>& unusable) {
  std::vector<std::string> flights;
  const auto refuse = [&unusable](const std::string& path, const char* why) {
    FlightReport r;
    r.path = path;
    Say(r, Verdict::Error, why + path);
    unusable.push_back(std::move(r));
  };
  for (const std::string& path : paths) {
    std::error_code ec;
    const fs::file_status st = fs::status(FsPath(path), ec);
    if (ec || !fs::exists(st)) {
      refuse(path, kNoSuchPath);
      continue;
    }
    if (fs::is_directory(st)) {
      std::vector<std::string> found;
      fs::recursive_directory_iterator it(FsPath(path), fs::directory_options::skip_permission_denied, ec);
      for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc)) continue;
        const std::string name = StringOf(it->path().filename());
        if (IsInfoName(name) && !IsOriginal(name)) found.push_back(StringOf(it->path()));
      }
      if (ec) refuse(path, kNoSuchPath);
      std::sort(found.begin(), found.end());
      flights.insert(flights.end(), found.begin(), found.end());
      continue;
    }
    const std::string name = StringOf(FsPath(path).filename());
    if (!IsInfoName(name)) {
      refuse(path, kNotAnInfoFile);
    } else if (IsOriginal(name)) {
      refuse(path, kOriginalNotAFlight);
    } else {
      flights.push_back(path);
    }
  }
  return flights;
}

}  // namespace dv
