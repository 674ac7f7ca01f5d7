#include <gtest/gtest.h>

#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "TestSupport.h"
#include "common/FileIO.h"

#include "app/ProfileFile.h"
#include "flight/FlightName.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"

using namespace dv;

namespace {

// Every reader must end in its documented result or its documented error.
void ReadAllWays(const std::string& bytes) {
  TuArray tu;
  try {
    ParseTu(bytes, tu);
  } catch (const FileReadError& e) {
    EXPECT_STREQ(e.what(), kInvalidNumericInput);
  }
  CrdArray crd;
  try {
    ParseCrd(bytes, crd);
  } catch (const FileReadError& e) {
    EXPECT_STREQ(e.what(), kInvalidNumericInput);
  }
  InitialData info;
  ParseInfo(bytes, "20100305-0907.info", true, info);
  try {
    FlightTimeFromName(bytes);
  } catch (const FlightNameError&) {
  }
  ProfileFile profile(bytes);
  profile.Read("OPTIONS", "Path", "");
  profile.HasSection("TELEGM");
  profile.Write("OPTIONS", "Path", "/x/");
}

}  // namespace

TEST(HostileInput, RandomBytesNeverCrash) {
  std::mt19937 rng(20251014);
  const std::string alphabet = "0123456789.-+eE \t\r\n:[]=;\x00\xff" "abc";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 300, '\0');
    const bool textLike = round % 2 == 0;
    for (char& c : bytes)
      c = textLike ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() & 0xff);
    ReadAllWays(bytes);
  }
}

TEST(HostileInput, HugeLinesAndOddNumbers) {
  // A 10 MB line of one number: too large for a double.
  std::string digits(10'000'000, '7');
  TuArray tu;
  EXPECT_THROW(ParseTu(digits, tu), FileReadError);
  // A 10 MB line of many numbers: the first three are the record.
  tu.Clear();
  std::string many;
  for (int i = 0; i < 2'000'000; ++i) many += "1.5 ";
  ParseTu(many, tu);
  ASSERT_EQ(tu.Count(), 1);
  EXPECT_FLOAT_EQ(tu[0].U, 1.5f);
  // Nothing but NUL bytes is nothing but blanks.
  tu.Clear();
  ParseTu(std::string(1 << 20, '\0'), tu);
  EXPECT_EQ(tu.Count(), 0);
  // Negative zero reads as a value and writes without a sign.
  tu.Clear();
  ParseTu("-0 -0 -0\r\n", tu);
  ASSERT_EQ(tu.Count(), 1);
  EXPECT_EQ(FormatTuLines(tu), "0.00\t0.00\t0.00\r\n");
  for (const char* bad : {"1e999 0 0", "nan 0 0", "inf 0 0", "0x1 0 0", "1e 0 0", "0 1.5x 0", "0 0 1e+",
                          "-+1 0 0", "0 .e5 0", "0 0 -inf", "0 0 1e5e5", "0 1..5 0", "0 0 .", "0 0 1,5"}) {
    EXPECT_THROW(ParseTu(bad, tu), FileReadError) << bad;
  }
  // A number ends at the blank or control byte after it, whichever it is.
  tu.Clear();
  ParseTu("-.5\x01" "1.e1\x1f" "+2E-1", tu);
  ASSERT_EQ(tu.Count(), 1);
  EXPECT_FLOAT_EQ(tu[0].Time, -0.5f);
  EXPECT_FLOAT_EQ(tu[0].T, 10.0f);
  EXPECT_FLOAT_EQ(tu[0].U, 0.2f);
  // Room reserved for the lines of a file of blank lines is given back.
  tu.Clear();
  ParseTu(std::string(4 << 20, '\n'), tu);
  EXPECT_EQ(tu.Count(), 0);
  EXPECT_LE(tu.Capacity(), 4096);
  CrdArray crd;
  ParseCrd("0 1e308 1e308 -1e308\r\n", crd);  // huge but finite: kept, and written without an exponent
  ASSERT_EQ(crd.Count(), 1);
  EXPECT_TRUE(crd[0].Excluded);
  EXPECT_EQ(FormatCrdLines(crd), "");
}

#ifndef _WIN32
// A FIFO or a folder under a flight file's name is refused at once, never waited on.
TEST(HostileInput, NonRegularFilesAreRefusedWithoutBlocking) {
  alarm(30);  // a blocked open would hang the run: end it instead
  dvtest::TempDir dir;
  const std::string fifo = dir.file("a.tu");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  std::string bytes;
  EXPECT_EQ(ReadFileBytes(fifo, bytes).error, kNotRegularFile);
  TuArray tu;
  try {
    ReadTu(fifo, tu);
    ADD_FAILURE() << "a FIFO was read";
  } catch (const FileReadError& e) {
    EXPECT_EQ(std::string(e.what()), "Не обычный файл: " + fifo);
  }
  InitialData info;
  EXPECT_FALSE(ReadInfo(fifo, true, info).ok);
  std::filesystem::create_directory(dir.file("b.crd"));
  EXPECT_EQ(ReadFileBytes(dir.file("b.crd"), bytes).error, kNotRegularFile);
  // A link to a regular file is followed.
  dvtest::WriteAll(dir.file("c.tu"), "0.00\t1.00\t2.00\r\n");
  std::filesystem::create_symlink(dir.file("c.tu"), dir.file("d.tu"));
  ASSERT_TRUE(ReadFileBytes(dir.file("d.tu"), bytes));
  EXPECT_EQ(bytes, "0.00\t1.00\t2.00\r\n");
  EXPECT_FALSE(ReadFileBytes(dir.file("none.tu"), bytes));
  alarm(0);
}
#else
// A device, a pipe or a folder under a flight file's name is refused at once, never
// waited on (Windows keeps its pipes and devices out of the folders, under \\.\).
TEST(HostileInput, NonRegularFilesAreRefusedWithoutBlocking) {
  dvtest::TempDir dir;
  std::string bytes;
  const HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\devirarav-hostile-input", PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                       1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  for (const char* device : {"NUL", "\\\\.\\NUL", "\\\\.\\pipe\\devirarav-hostile-input"}) {
    EXPECT_EQ(ReadFileBytes(device, bytes).error, kNotRegularFile) << device;
  }
  CloseHandle(pipe);
  TuArray tu;
  try {
    ReadTu("NUL", tu);
    ADD_FAILURE() << "a device was read";
  } catch (const FileReadError& e) {
    EXPECT_EQ(std::string(e.what()), "Не обычный файл: NUL");
  }
  InitialData info;
  EXPECT_FALSE(ReadInfo("NUL", true, info).ok);
  std::filesystem::create_directory(dir.path() / "b.crd");
  EXPECT_EQ(ReadFileBytes(dir.file("b.crd"), bytes).error, kNotRegularFile);
  EXPECT_FALSE(ReadFileBytes(dir.file("none.tu"), bytes));
}
#endif
