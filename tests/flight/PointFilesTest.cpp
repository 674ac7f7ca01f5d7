#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "flight/PointFiles.h"

using namespace dv;
using dvtest::DataFile;

namespace {

TuArray ReadTuFixture(const std::string& name) {
  TuArray a;
  EXPECT_TRUE(ReadTu(DataFile(name), a));
  return a;
}

std::string TuErrorOf(const std::string& name, TuArray& a) {
  try {
    ReadTu(DataFile(name), a);
  } catch (const FileReadError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(ReadTu, EmptyAndBlankFilesGiveNoPoints) {
  EXPECT_EQ(ReadTuFixture("empty.tu").Count(), 0);
  EXPECT_EQ(ReadTuFixture("blank_lines_only.tu").Count(), 0);
}

TEST(ReadTu, LineEndsDecideRecordsNotNumbers) {
  // No final line break: the last record is still read whole.
  TuArray a = ReadTuFixture("no_final_newline.tu");
  ASSERT_EQ(a.Count(), 3);
  EXPECT_FLOAT_EQ(a[2].U, 86.0f);
  // CR alone ends no line, so the whole file is one line and one record.
  a = ReadTuFixture("cr_only_line_ends.tu");
  ASSERT_EQ(a.Count(), 1);
  EXPECT_FLOAT_EQ(a[0].U, 80.0f);
}

TEST(ReadTu, ShortLinesBorrowFromTheNextAndExtraNumbersAreIgnored) {
  const TuArray a = ReadTuFixture("short_and_long_lines.tu");
  ASSERT_EQ(a.Count(), 4);
  EXPECT_FLOAT_EQ(a[1].U, 79.0f);  // 99 and 100 on that line were ignored
  // "2 4.8" took 78 from the next line, and the rest of that line was skipped.
  EXPECT_FLOAT_EQ(a[2].Time, 2.0f);
  EXPECT_FLOAT_EQ(a[2].T, 4.8f);
  EXPECT_FLOAT_EQ(a[2].U, 78.0f);
  // The last record was cut short by the end of the file: zeros.
  EXPECT_FLOAT_EQ(a[3].Time, 4.0f);
  EXPECT_FLOAT_EQ(a[3].T, 0.0f);
  EXPECT_FLOAT_EQ(a[3].U, 0.0f);
}

TEST(ReadTu, RangeFlagsAndTheirCoupling) {
  const TuArray a = ReadTuFixture("range_flags.tu");
  ASSERT_EQ(a.Count(), 7);
  struct Want { bool excluded; const char* why; } want[] = {
      {false, "ordinary"},
      {true, "T -100 flags T and, coupled, U"},
      {false, "U exactly 115 is accepted"},
      {true, "U exactly -15 is flagged"},
      {false, "T 99 and U just above -15 are accepted"},
      {true, "U above 115"},
      {true, "T above 99"},
  };
  for (int i = 0; i < a.Count(); ++i) {
    EXPECT_EQ(a[i].TExcluded, want[i].excluded) << i << ": " << want[i].why;
    EXPECT_EQ(a[i].UExcluded, want[i].excluded) << i << ": " << want[i].why;
    EXPECT_FALSE(a[i].TimeCorrected);
  }
  EXPECT_FLOAT_EQ(a[1].Time, 12.5f);
}

TEST(ReadTu, MalformedNumbersStopWithTheLibraryText) {
  TuArray a;
  EXPECT_EQ(TuErrorOf("header_line.tu", a), kInvalidNumericInput);
  EXPECT_EQ(a.Count(), 0);
  // The records before the bad one stay.
  EXPECT_EQ(TuErrorOf("decimal_comma.tu", a), kInvalidNumericInput);
  EXPECT_EQ(a.Count(), 2);
  for (const char* f : {"overflow_number.tu", "beyond_single_range.tu", "nan_token.tu", "utf8_bom.tu"}) {
    EXPECT_EQ(TuErrorOf(f, a), kInvalidNumericInput) << f;
  }
}

TEST(ReadTu, NulBytesSeparateNumbersLikeBlanks) {
  const TuArray a = ReadTuFixture("nul_bytes.tu");
  ASSERT_EQ(a.Count(), 1);
  EXPECT_FLOAT_EQ(a[0].T, 5.0f);
  EXPECT_FLOAT_EQ(a[0].U, 1.0f);
}

TEST(ReadTu, UnopenableFileIsNamedAndLeavesTheArrayEmpty) {
  TuArray a;
  a.Add(TuPoint{});
  const std::string name = DataFile("no_such_file.tu");
  try {
    ReadTu(name, a);
    FAIL();
  } catch (const FileReadError& e) {
    EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
  }
  EXPECT_EQ(a.Count(), 0);
}

TEST(ReadCrd, MissingMarksAreKeptAsReadAndExclude) {
  CrdArray a;
  ASSERT_TRUE(ReadCrd(DataFile("missing_marks.crd"), a));
  ASSERT_EQ(a.Count(), 5);
  EXPECT_NEAR(a[0].Az, 180.0, 1e-4);  // 3.141593 rad
  EXPECT_NEAR(a[0].El, -0.5, 1e-4);
  EXPECT_FALSE(a[0].Excluded);
  EXPECT_TRUE(a[1].Excluded);  // range -999
  EXPECT_EQ(a[1].SR, -999.0);
  EXPECT_NEAR(a[1].Az, 57.29578, 1e-4);  // the other angles are still converted
  EXPECT_TRUE(a[2].Excluded);
  EXPECT_EQ(a[2].Az, -999.0);  // not converted
  EXPECT_TRUE(a[3].Excluded);
  EXPECT_EQ(a[3].El, -999.0);
  EXPECT_FALSE(a[4].Excluded);  // -99 is not below -99
  EXPECT_NEAR(a[4].Az, -99 * kRadToDeg, 1e-9);
}

TEST(ReadCrd, ARecordCutShortGetsZeros) {
  CrdArray a;
  ReadCrd(DataFile("cut_short_at_end.crd"), a);
  ASSERT_EQ(a.Count(), 2);
  EXPECT_EQ(a[1].Az, kRadToDeg);
  EXPECT_EQ(a[1].El, 0.0);
}

TEST(ReadCrd, ExtraNumbersAfterTheLastColumnAreIgnored) {
  // Numbers after the elevation belong to no column: the rest of the line is
  // skipped, so the next line still starts the next record with its time.
  CrdArray a;
  ASSERT_TRUE(ReadCrd(DataFile("extra_numbers_after_last_column.crd"), a));
  ASSERT_EQ(a.Count(), 3);
  EXPECT_EQ(a[0].Time, 0.0);
  EXPECT_NEAR(a[0].El, -0.008727 * kRadToDeg, 1e-9);
  EXPECT_EQ(a[1].Time, 1.0);
  EXPECT_EQ(a[1].SR, 144.91);
  EXPECT_NEAR(a[1].Az, 1.570796 * kRadToDeg, 1e-9);
  EXPECT_NEAR(a[1].El, 0.5 * kRadToDeg, 1e-9);
  EXPECT_EQ(a[2].Time, 2.0);
  EXPECT_EQ(a[2].SR, 142.84);
  EXPECT_EQ(a[2].Az, 0.0);
  for (int i = 0; i < a.Count(); ++i) EXPECT_FALSE(a[i].Excluded) << i;
}

TEST(PointFiles, TheSizeLimitIsInclusive) {
  // 256 MB is the most a point file may hold: a file of exactly that size is read,
  // one byte more is refused before anything is read. The files are sparse, so
  // they cost no disk; NUL bytes separate numbers, so they hold no point.
  constexpr std::uintmax_t kLimit = std::uintmax_t{256} << 20;  // the 256 MB of the message
  dvtest::TempDir dir;
  const std::string atLimit = dir.file("at_limit.tu");
  const std::string overLimit = dir.file("over_limit.crd");
  dvtest::WriteAll(atLimit, "");
  dvtest::WriteAll(overLimit, "");
  std::filesystem::resize_file(atLimit, kLimit);
  std::filesystem::resize_file(overLimit, kLimit + 1);
  {
    TuArray tu;
    tu.Add(TuPoint{});
    std::string bytes;
    EXPECT_TRUE(ReadTu(atLimit, tu, bytes));
    EXPECT_EQ(bytes.size(), kLimit);
    EXPECT_EQ(tu.Count(), 0);
  }
  CrdArray crd;
  crd.Add(CrdPoint{});
  try {
    ReadCrd(overLimit, crd);
    ADD_FAILURE() << "a file over the limit was read";
  } catch (const FileReadError& e) {
    EXPECT_EQ(std::string(e.what()), "Файл слишком велик для выпуска (более 256 МБ): " + overLimit);
  }
  EXPECT_EQ(crd.Count(), 0);
  // The same limit for both point files.
  std::filesystem::rename(atLimit, dir.file("at_limit.crd"));
  std::filesystem::rename(overLimit, dir.file("over_limit.tu"));
  EXPECT_TRUE(ReadCrd(dir.file("at_limit.crd"), crd));
  EXPECT_EQ(crd.Count(), 0);
  TuArray tu;
  EXPECT_THROW(ReadTu(dir.file("over_limit.tu"), tu), FileReadError);
}

TEST(PointWriters, LinesOfIncludedPointsOnly) {
  TuArray tu;
  tu.Add(TuPoint{10.004f, -5.5f, 100.0f, false, false, false});
  EXPECT_EQ(FormatTuLines(tu), "10.00\t-5.50\t100.00\r\n");

  for (int i = 1; i < 10; ++i) tu.Add(TuPoint{float(i), 0, 50, false, false, false});
  tu[3].TExcluded = true;  // either flag leaves the line out
  tu[7].UExcluded = true;
  const std::string lines = FormatTuLines(tu);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 8);
  EXPECT_EQ(lines.find("3.00\t"), std::string::npos);

  CrdArray crd;
  crd.Add(CrdPoint{0, 150, 0.5, 180.0, false, false});
  crd.Add(CrdPoint{1, 160, 0.5, 180.0, true, true});
  crd.Add(CrdPoint{2, 170, -999, -999, true, false});  // restored missing marks are converted
  EXPECT_EQ(FormatCrdLines(crd),
            "0.00\t150.00\t3.141593\t0.008727\r\n"
            "2.00\t170.00\t-17.435839\t-17.435839\r\n");
}

TEST(PointWriters, GoldenFilesRoundTripByteForByte) {
  TuArray tu;
  ReadTu(DataFile("golden_roundtrip.tu"), tu);
  EXPECT_EQ(FormatTuLines(tu), dvtest::ReadAll(DataFile("golden_roundtrip.tu")));
  CrdArray crd;
  ReadCrd(DataFile("golden_roundtrip.crd"), crd);
  EXPECT_EQ(FormatCrdLines(crd), dvtest::ReadAll(DataFile("golden_roundtrip.crd")));

  // Through the file writers, too.
  dvtest::TempDir dir;
  ASSERT_TRUE(WriteCrdFile(dir.file("out.crd"), crd).ok);
  EXPECT_EQ(dvtest::ReadAll(dir.file("out.crd")), dvtest::ReadAll(DataFile("golden_roundtrip.crd")));
}

TEST(PointWriters, FailedWriteKeepsTheOldFile) {
  dvtest::TempDir dir;
  TuArray tu;
  tu.Add(TuPoint{1, 2, 3, false, false, false});
  const std::string target = dir.file("x.tu");
  dvtest::WriteAll(target, "old\r\n");
  dvtest::MakeReadOnly(target);
  EXPECT_FALSE(WriteTuFile(target, tu).ok);
  EXPECT_EQ(dvtest::ReadAll(target), "old\r\n");
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  // A folder that does not exist.
  EXPECT_FALSE(WriteTuFile(dir.file("missing/x.tu"), tu).ok);
}
