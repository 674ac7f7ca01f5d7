// Every input kept from the fuzzers (tests/fuzz_regressions/<target>-<name>), the
// fuzzers' seed inputs (fuzz/corpus/<target>/) and a few hand-made nasty ones, fed
// to the reader of their target: each must end in the documented result or the
// documented error, and what was read must write back to text that reads again.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "TestSupport.h"
#include "app/ProfileFile.h"
#include "common/Helpers.h"
#include "editing/Listing.h"
#include "flight/FlightName.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"

using namespace dv;
namespace fs = std::filesystem;

namespace {

// The byte layout the fuzz targets split their input by (libFuzzer's
// FuzzedDataProvider), so that a kept input replays exactly: strings from the
// front, each ended by "\" and one more byte ("\\" stands for "\"); small
// integers from the back.
class Split {
 public:
  explicit Split(std::string_view bytes) : bytes_(bytes) {}

  std::string String(std::size_t maxLength) {
    std::string s;
    for (std::size_t i = 0; i < maxLength && !bytes_.empty(); ++i) {
      char c = bytes_.front();
      bytes_.remove_prefix(1);
      if (c == '\\' && !bytes_.empty()) {
        c = bytes_.front();
        bytes_.remove_prefix(1);
        if (c != '\\') break;
      }
      s += c;
    }
    return s;
  }
  // One byte from the back is enough for every range the targets use.
  int IntInRange(int min, int max) {
    if (bytes_.empty() || max == min) return min;
    const auto b = static_cast<unsigned char>(bytes_.back());
    bytes_.remove_suffix(1);
    return min + static_cast<int>(b % static_cast<unsigned>(max - min + 1));
  }
  bool Bool() { return (IntInRange(0, 255) & 1) != 0; }
  std::string Rest() {
    std::string s(bytes_);
    bytes_ = {};
    return s;
  }

 private:
  std::string_view bytes_;
};

bool Close(double written, double read, double step) {
  return std::fabs(written - read) <= step + 1e-6 * std::fabs(written);
}

void CheckTu(const std::string& bytes) {
  TuArray points(0);
  try {
    ParseTu(bytes, points);
  } catch (const FileReadError& e) {
    EXPECT_STREQ(e.what(), kInvalidNumericInput);
  }
  const std::string lines = FormatTuLines(points);
  TuArray again(0);
  ASSERT_NO_THROW(ParseTu(lines, again)) << "written lines do not read back";
  int k = 0;
  for (int i = 0; i < points.Count(); ++i) {
    const TuPoint& p = points[i];
    if (p.TExcluded || p.UExcluded) continue;
    ASSERT_LT(k, again.Count());
    const TuPoint& q = again[k++];
    EXPECT_TRUE(Close(p.Time, q.Time, 0.0051) && Close(p.T, q.T, 0.0051) && Close(p.U, q.U, 0.0051));
  }
  EXPECT_EQ(k, again.Count());
}

void CheckCrd(const std::string& bytes) {
  CrdArray points(0);
  try {
    ParseCrd(bytes, points);
  } catch (const FileReadError& e) {
    EXPECT_STREQ(e.what(), kInvalidNumericInput);
  }
  for (int i = 0; i < points.Count(); ++i) {
    const CrdPoint& p = points[i];
    EXPECT_TRUE(std::isfinite(p.Time) && std::isfinite(p.SR) && std::isfinite(p.Az) && std::isfinite(p.El))
        << "point " << i << " is not finite";
  }
  const std::string lines = FormatCrdLines(points);
  CrdArray again(0);
  ASSERT_NO_THROW(ParseCrd(lines, again)) << "written lines do not read back";
  int k = 0;
  for (int i = 0; i < points.Count(); ++i) {
    const CrdPoint& p = points[i];
    if (p.Excluded) continue;
    ASSERT_LT(k, again.Count());
    const CrdPoint& q = again[k++];
    EXPECT_FALSE(q.Excluded);
    EXPECT_TRUE(Close(p.Time, q.Time, 0.0051) && Close(p.SR, q.SR, 0.0051) &&
                Close(p.Az, q.Az, 0.51e-6 * kRadToDeg) && Close(p.El, q.El, 0.51e-6 * kRadToDeg));
  }
  EXPECT_EQ(k, again.Count());
}

void CheckInfo(const std::string& input) {
  Split in(input);
  const bool reset = in.Bool();
  const int zone = in.IntInRange(-12, 12);
  const std::string fileName = in.String(64);
  const std::string bytes = in.Rest();

  InitialData info;
  const InfoReadResult result = ParseInfo(bytes, fileName, reset, info);
  if (!result.ok) {
    EXPECT_FALSE(result.messages.empty());
  }
  const std::string fresh = FormatNewInfo(info, zone);
  const std::string updated = UpdateInfoBytes(bytes, info, zone);
  InitialData back;
  ParseInfo(fresh, fileName, true, back);
  if (zone == 0) {
    EXPECT_EQ(back.StationSynopticIndex, info.StationSynopticIndex);
    EXPECT_EQ(back.StartYear, info.StartYear);
    EXPECT_EQ(back.StartMonth, info.StartMonth);
    EXPECT_EQ(back.StartDay, info.StartDay);
    EXPECT_EQ(back.StartHour, info.StartHour);
    EXPECT_EQ(back.StartMinute, info.StartMinute);
    EXPECT_EQ(back.NebulosityCode, info.NebulosityCode);
    EXPECT_EQ(back.ExtraLines, info.ExtraLines);
  }
  InitialData backUpdated;
  ParseInfo(updated, fileName, false, backUpdated);
  if (bytes.size() < 65536) {  // every zone, but not for the megabyte inputs
    for (int z = -12; z <= 12; ++z) {
      FormatNewInfo(info, z);
      UpdateInfoBytes(bytes, info, z);
    }
  }
}

void CheckFlightName(const std::string& name) {
  DateTime t;
  try {
    t = FlightTimeFromName(name);
  } catch (const FlightNameError&) {
    return;
  }
  if (t == DateTime{}) return;
  EXPECT_EQ(FlightTimeFromName(DottedFlightName(t) + ".info"), t);
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void CheckProfile(const std::string& input) {
  Split in(input);
  const std::string section = in.String(24);
  const std::string key = in.String(24);
  const std::string value = in.String(2100);
  const std::string otherSection = in.String(24);
  const std::string otherKey = in.String(24);
  const std::string bytes = in.Rest();

  ProfileFile profile(bytes);
  const std::string def = "\x01none";
  profile.HasSection(section);
  const std::string otherBefore = profile.Read(otherSection, otherKey, def);
  EXPECT_LE(otherBefore.size(), ProfileFile::kMaxValueLength);
  if (!profile.Write(section, key, value)) {
    EXPECT_EQ(profile.Bytes(), bytes);
    return;
  }
  EXPECT_EQ(profile.Read(section, key, def), std::string(Trim(value).substr(0, ProfileFile::kMaxValueLength)));
  EXPECT_TRUE(profile.HasSection(section));
  if (!(SameName(section, otherSection) && SameName(key, otherKey))) {
    EXPECT_EQ(profile.Read(otherSection, otherKey, def), otherBefore);
  }
  // Blanks after "=" stay only while a value follows them: an empty value written
  // twice may trim them the second time, a value starting with a blank too.
  const std::string once = profile.Bytes();
  ASSERT_TRUE(profile.Write(section, key, value));
  EXPECT_EQ(profile.Read(section, key, def), std::string(Trim(value).substr(0, ProfileFile::kMaxValueLength)));
  if (!value.empty() && value[0] != ' ' && value[0] != '\t') {
    EXPECT_EQ(profile.Bytes(), once);
  }
}

void CheckRowTime(const std::string& input) {
  const double t = RowTime(input);
  EXPECT_FALSE(std::isinf(t));
  if (!std::isnan(t)) {
    for (int d = 0; d <= 9; ++d) {
      const auto back = ParseRealToken(FormatFixed(t, 0, d));
      ASSERT_TRUE(back.has_value());
      EXPECT_LE(std::fabs(*back - t), 0.5 * std::pow(10.0, -d) * (1 + 1e-9) + 1e-15 * std::fabs(t));
    }
  }
  Split in(input);
  const int rowCount = in.IntInRange(0, 48);
  std::vector<bool> selected;
  for (int r = 0; r < rowCount; ++r) selected.push_back(in.Bool());
  const std::string rest = in.Rest();
  std::vector<std::string_view> rows;
  std::string_view text(rest);
  while (!text.empty()) {
    const auto lf = text.find('\n');
    rows.push_back(text.substr(0, lf));
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
  }
  const TSelectedRange range = RangeFromSelection(
      rowCount, [&](int r) { return static_cast<bool>(selected.at(static_cast<std::size_t>(r))); },
      [&](int r) { return rows.empty() ? 0.0 : RowTime(rows[static_cast<std::size_t>(r) % rows.size()]); });
  if (!range.IsSet()) return;
  EXPECT_LE(range.StartTime, range.EndTime);
  EXPECT_GE(range.StartTime, 0.0);
  EXPECT_LT(range.EndTime, 65535.0);
  EXPECT_GE(std::min(range.StartRow, range.EndRow), 1);
  EXPECT_LT(std::max(range.StartRow, range.EndRow), rowCount);
}

using Check = void (*)(const std::string&);

const std::map<std::string, Check>& Checks() {
  static const std::map<std::string, Check> checks = {
      {"fuzz_read_tu", CheckTu},         {"fuzz_read_crd", CheckCrd},
      {"fuzz_read_info", CheckInfo},     {"fuzz_flight_name", CheckFlightName},
      {"fuzz_profile", CheckProfile},    {"fuzz_row_time", CheckRowTime},
  };
  return checks;
}

fs::path RegressionFolder() { return fs::path(DEVIRARAV_TEST_DATA).parent_path() / "fuzz_regressions"; }
fs::path CorpusFolder() { return fs::path(DEVIRARAV_EXAMPLES).parent_path() / "fuzz" / "corpus"; }

// The target a kept input belongs to: the longest target name its file name starts with.
Check CheckFor(const std::string& fileName) {
  Check found = nullptr;
  std::size_t longest = 0;
  for (const auto& [target, check] : Checks()) {
    if (fileName.rfind(target + "-", 0) == 0 && target.size() > longest) {
      found = check;
      longest = target.size();
    }
  }
  return found;
}

}  // namespace

TEST(FuzzRegression, EveryKeptInputEndsAsDocumented) {
  ASSERT_TRUE(fs::is_directory(RegressionFolder())) << RegressionFolder();
  int count = 0;
  for (const auto& entry : fs::directory_iterator(RegressionFolder())) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    const Check check = CheckFor(name);
    ASSERT_NE(check, nullptr) << name << " does not start with a fuzz target's name";
    SCOPED_TRACE(name);
    check(dvtest::ReadAll(entry.path().string()));
    ++count;
  }
  EXPECT_GT(count, 0);
}

TEST(FuzzRegression, EverySeedInputEndsAsDocumented) {
  if (!fs::is_directory(CorpusFolder())) GTEST_SKIP() << "no fuzz/corpus in this tree";
  for (const auto& [target, check] : Checks()) {
    const fs::path folder = CorpusFolder() / target;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      SCOPED_TRACE(target + "/" + entry.path().filename().string());
      check(dvtest::ReadAll(entry.path().string()));
    }
  }
}

// Too large to keep as files: made here and fed to every target.
TEST(FuzzRegression, MegabyteInputsEndAsDocumented) {
  const std::vector<std::string> inputs = {
      std::string(1 << 20, '7'),
      std::string(1 << 20, '\0'),
      std::string(1 << 20, '\r'),
      [] {
        std::string s;
        while (s.size() < (1u << 20)) s += "1e999\t-999\t\\\r";
        return s;
      }(),
  };
  for (const std::string& input : inputs) {
    for (const auto& [target, check] : Checks()) {
      SCOPED_TRACE(target);
      check(input);
    }
  }
  TuArray tu;
  EXPECT_THROW(ParseTu(inputs[0], tu), FileReadError);  // far beyond a double
  EXPECT_EQ(tu.Count(), 0);
}

// Found by fuzz_read_crd: an angle above about 3e306 rad became an infinite
// number of degrees, which the writer put out as "INF" and no reader took back.
TEST(FuzzRegression, CrdAngleTooLargeForDegreesIsKeptExcluded) {
  CrdArray crd;
  ParseCrd("0.00\t150.00\t3.752458\t-0.008727\r\n1.00\t144.91\t1e307\t0.025685\r\n"
           "2.00\t142.84\t3.715944\t1e307\r\n3.00\t137.42\t3e306\t0.098216\r\n", crd);
  ASSERT_EQ(crd.Count(), 4);
  EXPECT_FALSE(crd[0].Excluded);
  EXPECT_TRUE(crd[1].Excluded);
  EXPECT_EQ(crd[1].Az, 1e307);  // as read, like a missing-value mark
  EXPECT_NEAR(crd[1].El, 0.025685 * kRadToDeg, 1e-9);
  EXPECT_TRUE(crd[2].Excluded);
  EXPECT_EQ(crd[2].El, 1e307);
  EXPECT_FALSE(crd[3].Excluded);  // still within degrees' range
  EXPECT_NEAR(crd[3].Az, 3e306 * kRadToDeg, 1e292);

  CrdArray again;
  ASSERT_NO_THROW(ParseCrd(FormatCrdLines(crd), again));
  EXPECT_EQ(again.Count(), 2);
}
