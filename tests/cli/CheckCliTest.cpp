// devirarav-check run as the station runs it, on folders of flights.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "TestSupport.h"
#include "cli/CheckOutput.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

#ifdef _WIN32
// Through cmd.exe, as a station's batch file runs it. The command line goes wide,
// so that Cyrillic names reach the program whatever the ANSI code page, and the
// output is read as bytes.
Outcome Check(const std::string& args) {
  Outcome r;
  const std::string command =
      dvtest::StringOf(fs::path(DEVIRARAV_CHECK_EXE).make_preferred()) + " " + args + " 2>NUL";
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, command.data(), static_cast<int>(command.size()), nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, command.data(), static_cast<int>(command.size()), wide.data(), static_cast<int>(wide.size()));
  FILE* p = _wpopen(wide.c_str(), L"rb");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  r.status = _pclose(p);
  return r;
}
#else
Outcome Check(const std::string& args) {
  Outcome r;
  const std::string command = std::string(DEVIRARAV_CHECK_EXE) + " " + args + " 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}
#endif

std::string dvtestRead(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class CheckCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("devirarav-check-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(root_ / "good");
    fs::create_directories(root_ / "more" / "warned");
    fs::create_directories(root_ / "broken");
    const fs::path ex = DEVIRARAV_EXAMPLES;
    // Clean, with read-only originals beside it.
    for (const char* ext : {".info", ".tu", ".crd", ".org.info", ".org.tu", ".org.crd"})
      fs::copy_file(ex / (std::string("20251017-2330") + ext), root_ / "good" / (std::string("20251017-2330") + ext));
    // The long sample: its one-minute radar dropout is a finding.
    for (const char* ext : {".info", ".tu", ".crd"})
      fs::copy_file(ex / (std::string("20251014-1130") + ext), root_ / "more" / "warned" / (std::string("20251014-1130") + ext));
    // No coordinates at all.
    for (const char* ext : {".info", ".tu"})
      fs::copy_file(ex / (std::string("20251016-1130") + ext), root_ / "broken" / (std::string("20251016-1130") + ext));
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(root_, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  // In the system's own spelling: backslashes on Windows, as the checker reports them.
  std::string Path(const std::string& sub) const { return dvtest::StringOf((root_ / dvtest::PathOf(sub)).make_preferred()); }

  // Every file under the root with its size and time, to see that nothing was written.
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot() const {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (auto& e : fs::recursive_directory_iterator(root_))
      if (e.is_regular_file()) files[dvtest::StringOf(e.path())] = {e.file_size(), e.last_write_time()};
    return files;
  }

  fs::path root_;
};

TEST_F(CheckCliTest, AGoodAWarnedAndABrokenFlightGiveTheirVerdictsAndStatusTwo) {
  const auto before = Snapshot();
  const Outcome all = Check(Path(""));
  EXPECT_EQ(all.status, 2);
  // One line per flight, sorted by path; the originals are no flights.
  // The broken flight's telemetry holds a humidity of 115 % and a temperature
  // of -99: findings of their own. The long sample's missing values are counted
  // in a message that warns of nothing.
  const std::string expected = "error\t" + Path("broken/20251016-1130.info") +
                               "\ttu=120\tcrd=0\tmessages=2\tfindings=2\n"
                               "ok\t" + Path("good/20251017-2330.info") +
                               "\ttu=296\tcrd=300\tmessages=0\tfindings=0\n"
                               "warn\t" + Path("more/warned/20251014-1130.info") +
                               "\ttu=7201\tcrd=7201\tmessages=1\tfindings=1\n";
  EXPECT_EQ(all.out, expected);
  EXPECT_EQ(Check(Path("good") + " " + Path("more")).status, 1);
  EXPECT_EQ(Check(Path("good")).status, 0);
  EXPECT_EQ(Check(Path("good/20251017-2330.info")).status, 0);
  // It never writes a file of a flight.
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(CheckCliTest, DetailsInEachFormat) {
  const Outcome text = Check("--details " + Path("broken") + " " + Path("more"));
  EXPECT_NE(text.out.find("\terror\t" + Path("broken/20251016-1130.crd") + " отсутствует!\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("\tfinding\tПропуск crd\tcrd\t4199–4260\t4199.0–4260.0\tнет 60 из 62\t10.0 с\n"),
            std::string::npos)
      << text.out;
  // Out-of-range values apart from missing ones, which warn of nothing.
  EXPECT_NE(text.out.find("\twarn\tЗначений tu вне диапазона: 3\n"), std::string::npos);
  EXPECT_NE(text.out.find("\tok\tПропущенных значений crd: 183\n"), std::string::npos);

  const Outcome csv = Check("--format csv " + Path("more"));
  EXPECT_EQ(csv.out, "path,verdict,tu_points,crd_points,messages,findings\r\n" + Path("more/warned/20251014-1130.info") +
                         ",warn,7201,7201,1,1\r\n");
  const Outcome csvDetails = Check("--format=csv --details " + Path("more"));
  EXPECT_NE(csvDetails.out.find(",warn,finding,warn,Пропуск crd,crd_gap,crd,4199,4260,4199.000,4260.000,61.000,"
                                "10.000,с,60,62,\r\n"),
            std::string::npos)
      << csvDetails.out;

  const Outcome json = Check("--format json --details " + Path("more"));
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find("\"verdict\": \"warn\""), std::string::npos);
  EXPECT_NE(json.out.find("{\"rule\": \"Пропуск crd\", \"rule_id\": \"crd_gap\", \"file\": \"crd\", \"first_row\": 4199, "
                          "\"last_row\": 4260"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"value\": 61.000, \"threshold\": 10.000, \"unit\": \"с\", \"missing\": 60, \"expected\": 62}"),
            std::string::npos);
  EXPECT_NE(json.out.find("\"station\": 27612, \"launch\": \"2025-10-14T11:30\""), std::string::npos);
  // A path that is no flight has neither.
  EXPECT_NE(Check("--format json " + Path("nowhere")).out.find("\"station\": null, \"launch\": null"),
            std::string::npos);
}

TEST_F(CheckCliTest, MissingValuesAloneWarnOfNothingAndAFileWithoutPointsIsAnError) {
  fs::create_directories(root_ / "sparse");
  const fs::path ex = DEVIRARAV_EXAMPLES;
  for (const char* ext : {".info", ".tu", ".crd"})
    fs::copy_file(ex / (std::string("20251017-2330") + ext), root_ / "sparse" / (std::string("20251017-2330") + ext));
  // One humidity of the clean flight lost: the -999 mark.
  const std::string tu = Path("sparse/20251017-2330.tu");
  std::string bytes = dvtestRead(tu);
  std::size_t line = 0;
  for (int k = 0; k < 10; ++k) line = bytes.find('\n', line) + 1;
  const std::size_t end = bytes.find('\r', line);
  const std::size_t tab = bytes.rfind('\t', end);
  bytes.replace(tab + 1, end - tab - 1, "-999");
  std::ofstream(dvtest::PathOf(tu), std::ios::binary) << bytes;
  Outcome r = Check("--details " + Path("sparse"));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\tok\tПропущенных значений tu: 1\n"), std::string::npos) << r.out;
  // Coordinates with the launch line alone hold no sounding.
  const std::string crd = Path("sparse/20251017-2330.crd");
  bytes = dvtestRead(crd);
  std::ofstream(dvtest::PathOf(crd), std::ios::binary) << bytes.substr(0, bytes.find('\n') + 1);
  r = Check("--details " + Path("sparse"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("\terror\tНет точек: " + Path("sparse/20251017-2330") + ".crd\n"), std::string::npos) << r.out;
}

TEST_F(CheckCliTest, ThresholdsFromTheGivenSettingsFile) {
  const std::string cnf = Path("check.CNF");
  std::ofstream(dvtest::PathOf(cnf), std::ios::binary) << "[CHECK]\r\nGap=120\r\n";
  const Outcome r = Check("--config " + cnf + " " + Path("more"));
  EXPECT_EQ(r.status, 0) << r.out;  // a 61-s gap is within 120 s
}

TEST_F(CheckCliTest, TracksExportedBesideEachOtherAndNeverAsFlightFiles) {
  fs::create_directories(root_ / "out");
  const Outcome r = Check("--kml " + Path("out") + " --gpx=" + Path("out") + " --zone 3 --csv " +
                          Path("more/warned") + " --levels=" + Path("out") + " " + Path("good") + " " + Path("more"));
  EXPECT_EQ(r.status, 1);
  // The levels beside the tracks: the surface first, the standard levels the sounding reached.
  const std::string levels = dvtestRead((root_ / "out" / "20251014-1130-levels.csv").string());
  EXPECT_EQ(levels.rfind("kind,pressure,geopotential_height,T,dew_point,U,wind_direction,wind_speed\r\nsurface,", 0), 0u)
      << levels;
  EXPECT_NE(levels.find("\r\nstandard,500.0,"), std::string::npos);
  EXPECT_NE(levels.find("\r\ntropopause,"), std::string::npos);
  EXPECT_TRUE(fs::exists(root_ / "out" / "20251017-2330-track.kml"));
  EXPECT_TRUE(fs::exists(root_ / "out" / "20251014-1130-track.gpx"));
  // The CSV written into the flight's own folder keeps clear of NAME.*.
  EXPECT_TRUE(fs::exists(root_ / "more" / "warned" / "20251014-1130-track.csv"));
  for (auto& e : fs::directory_iterator(root_ / "more" / "warned")) {
    const std::string name = dvtest::StringOf(e.path().filename());
    if (name.rfind("20251014-1130.", 0) != 0) continue;
    EXPECT_TRUE(name == "20251014-1130.info" || name == "20251014-1130.tu" || name == "20251014-1130.crd") << name;
  }
  const std::string gpx = dvtestRead((root_ / "out" / "20251014-1130-track.gpx").string());
  EXPECT_NE(gpx.find("<time>2025-10-14T08:30:00Z</time>"), std::string::npos);
  // A folder that cannot be written is an error of the flight.
  EXPECT_EQ(Check("--csv " + Path("nowhere/deeper") + " " + Path("good")).status, 2);
  EXPECT_EQ(Check("--zone 99 --gpx " + Path("out") + " " + Path("good")).status, 2);
}

// Folders with Cyrillic names, given on the command line and written into.
TEST_F(CheckCliTest, CyrillicFolderNamesOnTheCommandLine) {
  const fs::path archive = root_ / dvtest::PathOf("Архив станции") / dvtest::PathOf("Октябрь");
  fs::create_directories(archive);
  for (const char* ext : {".info", ".tu", ".crd"})
    fs::copy_file(root_ / "good" / (std::string("20251017-2330") + ext), archive / (std::string("20251017-2330") + ext));
  const Outcome r = Check("--kml \"" + Path("Траектории") + "\" \"" + Path("Архив станции") + "\"");
  EXPECT_EQ(r.status, 2) << r.out;  // the folder for the tracks is not there yet
  fs::create_directories(root_ / dvtest::PathOf("Траектории"));
  const Outcome ok = Check("--kml \"" + Path("Траектории") + "\" \"" + Path("Архив станции") + "\"");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(ok.out, "ok\t" + Path("Архив станции/Октябрь/20251017-2330.info") + "\ttu=296\tcrd=300\tmessages=0\tfindings=0\n");
  EXPECT_TRUE(fs::exists(root_ / dvtest::PathOf("Траектории") / "20251017-2330-track.kml"));
}

TEST_F(CheckCliTest, WrongCommandLinesAndPaths) {
  EXPECT_EQ(Check("").status, 2);
  EXPECT_EQ(Check("--format xml " + Path("good")).status, 2);
  EXPECT_EQ(Check("--frobnicate " + Path("good")).status, 2);
  const Outcome missing = Check(Path("nowhere"));
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "error\t" + Path("nowhere") + "\ttu=0\tcrd=0\tmessages=1\tfindings=0\n");
  EXPECT_EQ(Check(Path("good/20251017-2330.org.info")).status, 2);  // an original is not a flight
  EXPECT_EQ(Check(Path("good/20251017-2330.tu")).status, 2);
  EXPECT_EQ(Check("--help").status, 0);
  const Outcome version = Check("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("devirarav-check ", 0), 0u) << version.out;
  // An option whose value the command line ends before is a usage error, never
  // a read beyond the arguments.
  for (const char* option : {"--format", "--kml", "--gpx", "--csv", "--levels", "--pdf", "--zone", "--config"}) {
    EXPECT_EQ(Check(Path("good") + " " + option).status, 2) << option;
  }
}

TEST(CheckOutputTest, JsonStaysValidUtf8AndCsvQuotes) {
  dv::FlightReport r;
  r.path = "C:\\flights\\\"a\"\x01\xE0\xA0\x80\xE2\x80\x93\xC0\xAF\xED\xA0\x80,\xF0\x9F\x98\x80\xFF.info";
  r.verdict = dv::Verdict::Warn;
  r.messages.push_back({dv::Verdict::Warn, "line\nbreak"});
  const std::string json = dv::FormatReports({r}, dv::OutputFormat::Json, false);
  // Escapes for the backslashes, quotes and controls; the dash and the emoji
  // stay; an overlong form, a surrogate and a stray byte become U+FFFD.
  EXPECT_NE(json.find("\"C:\\\\flights\\\\\\\"a\\\"\\u0001\xE0\xA0\x80\xE2\x80\x93\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                      "\xEF\xBF\xBD,\xF0\x9F\x98\x80\xEF\xBF\xBD.info\""),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"text\": \"line\\u000abreak\""), std::string::npos);
  const std::string csv = dv::FormatReports({r}, dv::OutputFormat::Csv, true);
  EXPECT_NE(csv.find("\"line\nbreak\"\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\"C:\\flights\\\"\"a\"\""), std::string::npos);
  // A text line is one record: a tab or a line break in a path or message is an escape.
  r.path = "/archive/a\tb\r\nc.info";
  const std::string text = dv::FormatReports({r}, dv::OutputFormat::Text, true);
  EXPECT_EQ(text, "warn\t/archive/a\\tb\\r\\nc.info\ttu=0\tcrd=0\tmessages=1\tfindings=0\n\twarn\tline\\nbreak\n");
  EXPECT_EQ(dv::ExitStatus({}), 0);
  EXPECT_EQ(dv::ExitStatus({r}), 1);
}

}  // namespace
