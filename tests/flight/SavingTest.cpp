#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "TestSupport.h"
#include "flight/PointFiles.h"
#include "flight/Saving.h"

using namespace dv;
using dvtest::ReadAll;
using dvtest::WriteAll;

namespace {

const char* const kTu = "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n2.00\t4.80\t78.00\r\n";
const char* const kCrd = "0.00\t150.00\t1.570796\t-0.008727\r\n1.00\t160.00\t1.570796\t0.100000\r\n";

// A flight's files in a temporary folder, with the arrays read from them.
struct FlightFixture {
  dvtest::TempDir dir;
  std::string base = dir.file("20251014-1130");
  InitialData info;
  TuArray tu;
  CrdArray crd;

  FlightFixture() {
    WriteAll(base + ".tu", kTu);
    WriteAll(base + ".crd", kCrd);
    ReadTu(base + ".tu", tu);
    ReadCrd(base + ".crd", crd);
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
  }
};

#ifndef _WIN32
// Makes every write beyond `bytes` fail for this process while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};
#endif

}  // namespace

TEST(OriginalCopy, MadeOnceReadOnlyAndNeverReplaced) {
  FlightFixture f;
  f.tu[1].TExcluded = true;
  TuFieldTexts unchanged;
  ASSERT_TRUE(SaveTu(f.base + ".tu", true, f.base, unchanged, f.info, f.tu).ok());
  EXPECT_EQ(ReadAll(f.base + ".org.tu"), kTu);
  EXPECT_TRUE(dvtest::IsReadOnly(f.base + ".org.tu"));
  EXPECT_EQ(ReadAll(f.base + ".tu"), "0.00\t5.00\t80.00\r\n2.00\t4.80\t78.00\r\n");

  // The second save leaves the original alone.
  ReadTu(f.base + ".tu", f.tu);
  f.tu[1].TExcluded = true;
  ASSERT_TRUE(SaveTu(f.base + ".tu", true, f.base, unchanged, f.info, f.tu).ok());
  EXPECT_EQ(ReadAll(f.base + ".org.tu"), kTu);
  EXPECT_EQ(ReadAll(f.base + ".tu"), "0.00\t5.00\t80.00\r\n");
}

TEST(OriginalCopy, FailedRenameWritesNothing) {
  FlightFixture f;
  // A folder in the copy's place makes the rename fail.
  std::filesystem::create_directory(f.base + ".org.crd");
  CrdFieldTexts unchanged;
  const SaveOutcome r = SaveCrd(f.base + ".crd", true, f.base, unchanged, f.info, f.crd);
  EXPECT_EQ(r.status, SaveStatus::Failed);
  EXPECT_EQ(r.message, std::string("Ошибка сохранения\n") + f.base + ".org.crd");
  EXPECT_EQ(ReadAll(f.base + ".crd"), kCrd);
}

TEST(OriginalCopy, MissingOwnFileWithAnOriginalSavesNormally) {
  FlightFixture f;
  std::filesystem::rename(f.base + ".tu", f.base + ".org.tu");
  TuFieldTexts unchanged;
  ASSERT_TRUE(SaveTu(f.base + ".tu", true, f.base, unchanged, f.info, f.tu).ok());
  EXPECT_EQ(ReadAll(f.base + ".tu"), kTu);
  EXPECT_EQ(ReadAll(f.base + ".org.tu"), kTu);
}

TEST(SaveTu, FieldChecksComeFirstAndTouchNothing) {
  struct Case { const char* t0; const char* u0; const char* refused; } cases[] = {
      {"60", "50", "edtT0"},   {"55", "50", "edtT0"},  {"-65", "50", "edtT0"},
      {"x", "50", "edtT0"},    {"20", "0", "edtU0"},   {"20", "100.01", "edtU0"},
      {"20", "", "edtU0"},
  };
  for (const auto& c : cases) {
    FlightFixture f;
    const SaveOutcome r = SaveTu(f.base + ".tu", true, f.base, {c.t0, c.u0, true}, f.info, f.tu);
    EXPECT_EQ(r.status, SaveStatus::Refused) << c.t0 << " " << c.u0;
    EXPECT_EQ(r.field, c.refused);
    EXPECT_EQ(r.message, "Недопустимое значение!");
    EXPECT_EQ(ReadAll(f.base + ".tu"), kTu);
    EXPECT_FALSE(std::filesystem::exists(f.base + ".org.tu"));
    EXPECT_FLOAT_EQ(f.tu[0].T, 5.0f);  // points change only after all checks
  }
  // Refused fields are not even looked at when the user did not change them.
  FlightFixture f;
  EXPECT_TRUE(SaveTu(f.base + ".tu", false, f.base, {"60", "0", false}, f.info, f.tu).ok());
}

TEST(SaveTu, TakesTheSurfaceFieldsAndAlwaysWritesPointZero) {
  FlightFixture f;
  f.tu[0].TExcluded = f.tu[0].UExcluded = true;  // excluded by the user: written all the same
  ASSERT_TRUE(SaveTu(f.base + ".tu", false, f.base, {"-1.5", "100", true}, f.info, f.tu).ok());
  EXPECT_EQ(ReadAll(f.base + ".tu"), "0.00\t-1.50\t100.00\r\n1.00\t4.90\t79.00\r\n2.00\t4.80\t78.00\r\n");
  EXPECT_DOUBLE_EQ(f.info.T0, -1.5);
  EXPECT_FALSE(std::filesystem::exists(f.base + ".org.tu"));  // no copy asked for
}

TEST(SaveCrd, RangeEdgesOfTheLaunchPoint) {
  struct Case { const char* sr; const char* az; const char* el; const char* refused; } cases[] = {
      {"30", "10", "0", "edtSR0"},   {"500", "10", "0", "edtSR0"}, {"30.01", "0", "0", "edtAz0"},
      {"100", "360.001", "0", "edtAz0"}, {"100", "360", "-12", "edtEl0"}, {"100", "360", "3.01", "edtEl0"},
      {"100", "360", "3", nullptr},  {"499.99", "0.001", "-11.99", nullptr},
  };
  for (const auto& c : cases) {
    FlightFixture f;
    const SaveOutcome r = SaveCrd(f.base + ".crd", true, f.base, {c.sr, c.az, c.el, true}, f.info, f.crd);
    if (c.refused) {
      EXPECT_EQ(r.field, c.refused) << c.sr << " " << c.az << " " << c.el;
      EXPECT_EQ(ReadAll(f.base + ".crd"), kCrd);
    } else {
      EXPECT_TRUE(r.ok()) << c.sr << " " << c.az << " " << c.el;
      CrdArray back;
      ReadCrd(f.base + ".crd", back);
      EXPECT_NEAR(back[0].SR, std::stod(c.sr), 1e-9);
      EXPECT_NEAR(back[0].Az, std::stod(c.az), 1e-4);  // degrees typed, radians written
      EXPECT_NEAR(back[0].El, std::stod(c.el), 1e-4);
    }
  }
}

TEST(SaveCrd, LaunchPointWrittenEvenWhenExcluded) {
  FlightFixture f;
  f.crd[0].Excluded = true;
  f.crd[1].Excluded = true;
  ASSERT_TRUE(SaveCrd(f.base + ".crd", false, f.base, {}, f.info, f.crd).ok());
  EXPECT_EQ(ReadAll(f.base + ".crd"), "0.00\t150.00\t1.570796\t-0.008727\r\n");
}

TEST(Saving, FailedWriteAfterTheCopyPutsTheFlightBack) {
#ifdef _WIN32
  GTEST_SKIP() << "the failing write comes from a file size limit (RLIMIT_FSIZE), which Windows does not have";
#else
  FlightFixture f;
  for (int i = 0; i < 200; ++i) f.tu.Add(TuPoint{float(i + 3), 1, 50, false, false, false});
  f.tu[1].TExcluded = true;
  SaveOutcome r;
  {
    FileSizeLimit limit(512);
    r = SaveTu(f.base + ".tu", true, f.base, {}, f.info, f.tu);
  }
  EXPECT_EQ(r.status, SaveStatus::Failed);
  EXPECT_EQ(r.message, std::string("Ошибка сохранения\n") + f.base + ".tu");
  // The delivered file is back in place, unchanged and writable; no copy, no
  // temporary file is left.
  EXPECT_EQ(ReadAll(f.base + ".tu"), kTu);
  EXPECT_FALSE(std::filesystem::exists(f.base + ".org.tu"));
  EXPECT_FALSE(dvtest::IsReadOnly(f.base + ".tu"));
  EXPECT_EQ(f.FileCount(), 2u);
#endif
}

TEST(SaveInfo, FirstSaveWritesANewFileLaterSavesUpdateIt) {
  FlightFixture f;
  const std::string delivered = ReadAll(dvtest::DataFile("20100305-0907.info"));
  WriteAll(f.base + ".info", delivered);
  ASSERT_TRUE(ReadInfo(f.base + ".info", true, f.info).ok);
  InfoFieldTexts fields{"1010.06", "270", "4", "/////", "90"};

  ASSERT_TRUE(SaveInfo(f.base + ".info", true, 0, f.base, fields, f.info).ok());
  EXPECT_EQ(ReadAll(f.base + ".org.info"), delivered);
  EXPECT_TRUE(dvtest::IsReadOnly(f.base + ".org.info"));
  const std::string first = ReadAll(f.base + ".info");
  EXPECT_EQ(first.rfind("StationSynopticIndex:\t27612\r\nStationLongitude:\t37.567\r\n", 0), 0u);
  EXPECT_NE(first.find("OnGroundPressure:\t1010.1\r\n"), std::string::npos);

  // The second save updates the file it wrote: only the value changes.
  fields.P0 = "999.5";
  ASSERT_TRUE(SaveInfo(f.base + ".info", true, 0, f.base, fields, f.info).ok());
  std::string expected = first;
  expected.replace(expected.find("1010.1"), 6, "999.5");
  EXPECT_EQ(ReadAll(f.base + ".info"), expected);
  EXPECT_EQ(ReadAll(f.base + ".org.info"), delivered);

  // A refused field touches no file.
  fields.P0 = "1100";
  const SaveOutcome r = SaveInfo(f.base + ".info", true, 0, f.base, fields, f.info);
  EXPECT_EQ(r.field, "edtP0");
  EXPECT_EQ(ReadAll(f.base + ".info"), expected);
}

// A missing-value mark on the launch point (always written) or on a point the
// observer restored goes back as the mark it was, not as an angle in radians.
TEST(SaveCrd, MarksGoBackAsMarks) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  WriteAll(base + ".crd", "0.00\t1.00\t-999.000000\t-25685.000000\r\n1.00\t160.00\t-999.000000\t0.100000\r\n"
                          "2.00\t170.00\t1.000000\t-99.000000\r\n");
  CrdArray crd;
  ReadCrd(base + ".crd", crd);
  ASSERT_TRUE(crd[0].Excluded && crd[0].AzAsRead && crd[0].ElAsRead);
  EXPECT_TRUE(crd[1].AzAsRead && !crd[1].ElAsRead);
  EXPECT_FALSE(crd[2].Excluded || crd[2].ElAsRead);  // -99 rad is an angle, however odd
  crd[1].Excluded = false;                            // restored by the observer
  InitialData info;
  ASSERT_TRUE(SaveCrd(base + ".crd", false, base, {}, info, crd).ok());
  EXPECT_EQ(ReadAll(base + ".crd"), "0.00\t1.00\t-999.000000\t-25685.000000\r\n1.00\t160.00\t-999.000000\t0.100000\r\n"
                                    "2.00\t170.00\t1.000000\t-99.000000\r\n");
  // Typed launch-point values replace the marks and are degrees.
  ReadCrd(base + ".crd", crd);
  ASSERT_TRUE(SaveCrd(base + ".crd", false, base, {"150", "90", "0.5", true}, info, crd).ok());
  EXPECT_EQ(ReadAll(base + ".crd").substr(0, 33), "0.00\t150.00\t1.570796\t0.008727\r\n2.");  // the marked point 1 is excluded again
}

// Without the original copy (save and process) the flight's own files are never
// touched: not retired after the write elsewhere, nor an original removed on failure.
TEST(Saving, WritingElsewhereWithoutOriginalsLeavesTheFlightAlone) {
  FlightFixture f;
  dvtest::TempDir work;
  ASSERT_TRUE(SaveTu(work.file("20251014-1130.tu"), false, f.base, {}, f.info, f.tu).ok());
  EXPECT_EQ(ReadAll(f.base + ".tu"), kTu);
  EXPECT_EQ(ReadAll(work.file("20251014-1130.tu")), kTu);
  EXPECT_FALSE(std::filesystem::exists(f.base + ".org.tu"));
  // An original from an earlier save stays when a write without originals fails.
  WriteAll(f.base + ".org.crd", kCrd);
  dvtest::MakeReadOnly(f.base + ".org.crd");
  std::filesystem::create_directory(work.file("20251014-1130.crd"));
  EXPECT_EQ(SaveCrd(work.file("20251014-1130.crd"), false, f.base, {}, f.info, f.crd).status, SaveStatus::Failed);
  EXPECT_EQ(ReadAll(f.base + ".org.crd"), kCrd);
  EXPECT_EQ(ReadAll(f.base + ".crd"), kCrd);
}
