// The file layer on the names and bytes a station's disk holds: Cyrillic folders
// and names, CR LF and every other byte as it is, and on Windows the attributes,
// the replace over a held or read-only file and the spellings of a path.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "check/FlightCheck.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"
#include "flight/Saving.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace dv;
namespace fs = std::filesystem;

namespace {

const char* const kTu = "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n2.00\t4.80\t78.00\r\n";

// The names in a folder, as UTF-8 (Windows) or bytes (elsewhere), sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dvtest::PathOf(folder))) names.push_back(dvtest::StringOf(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

// The clean sample with its originals, copied under `folder` as the station keeps it.
std::string CopyCleanFlight(const std::string& folder) {
  fs::create_directories(dvtest::PathOf(folder));
  for (const char* ext : {".info", ".tu", ".crd"})
    dvtest::WriteAll(folder + PathSeparator + "20251017-2330" + ext, dvtest::ReadAll(dvtest::ExampleFile(std::string("20251017-2330") + ext)));
  return folder + PathSeparator + "20251017-2330";
}

}  // namespace

// Cyrillic folder names all the way through: read, check, save with originals.
TEST(FileNames, CyrillicFoldersThroughReadingCheckingAndSaving) {
  dvtest::TempDir dir;
  const std::string folder = dir.file("Архив станции") + PathSeparator + "Октябрь";
  const std::string base = CopyCleanFlight(folder);

  const FlightReport report = CheckFlight(base + ".info", CheckThresholds{});
  EXPECT_EQ(report.verdict, Verdict::Ok);
  EXPECT_EQ(report.tuPoints, 296);
  EXPECT_EQ(report.crdPoints, 300);

  std::vector<FlightReport> unusable;
  EXPECT_EQ(FindFlights({dir.file("Архив станции")}, unusable), std::vector<std::string>{base + ".info"});
  EXPECT_TRUE(unusable.empty());

  InitialData info;
  ASSERT_TRUE(ReadInfo(base + ".info", true, info).ok);
  TuArray tu;
  CrdArray crd;
  ReadTu(base + ".tu", tu);
  ReadCrd(base + ".crd", crd);
  tu[2].TExcluded = true;
  crd[3].Excluded = true;
  const std::string deliveredTu = dvtest::ReadAll(base + ".tu");
  ASSERT_TRUE(SaveTu(base + ".tu", true, base, {}, info, tu).ok());
  ASSERT_TRUE(SaveCrd(base + ".crd", true, base, {}, info, crd).ok());
  EXPECT_EQ(dvtest::ReadAll(base + ".org.tu"), deliveredTu);
  EXPECT_TRUE(dvtest::IsReadOnly(base + ".org.tu"));
  EXPECT_TRUE(dvtest::IsReadOnly(base + ".org.crd"));
  EXPECT_EQ(Names(folder), (std::vector<std::string>{"20251017-2330.crd", "20251017-2330.info", "20251017-2330.org.crd",
                                                     "20251017-2330.org.tu", "20251017-2330.tu"}));
  TuArray back;
  ReadTu(base + ".tu", back);
  EXPECT_EQ(back.Count(), tu.Count() - 1);
}

// A Cyrillic file name is the file's name on the disk, not its bytes in some code page.
TEST(FileNames, CyrillicNamesAreWrittenCopiedAndRemovedUnderTheirOwnName) {
  dvtest::TempDir dir;
  const std::string own = dir.file("Пример.tu");
  const std::string original = dir.file("Пример.org.tu");
  ASSERT_TRUE(WriteFileAtomic(own, kTu));
  EXPECT_TRUE(FileExists(own));
  ASSERT_TRUE(CopyToReadOnly(own, original));
  EXPECT_EQ(Names(dvtest::StringOf(dir.path())), (std::vector<std::string>{"Пример.org.tu", "Пример.tu"}));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(original, bytes));
  EXPECT_EQ(bytes, kTu);
  EXPECT_FALSE(IsWritable(original));
  EXPECT_TRUE(SameFile(own, dvtest::StringOf(dir.path() / dvtest::PathOf("Пример.tu"))));
  ASSERT_TRUE(RemoveFile(original));
  EXPECT_EQ(Names(dvtest::StringOf(dir.path())), std::vector<std::string>{"Пример.tu"});
}

// Files are bytes: no CR is added or dropped, and a Ctrl+Z (the end of a text
// file to the Windows C runtime in text mode) is one byte like any other.
TEST(FileBytes, LineEndsAndControlBytesStayAsTheyAre) {
  dvtest::TempDir dir;
  std::string bytes = "0.00\t5.00\t80.00\r\n1.00\t4.90\n\r2.00\x1a\t4.80\r\r\n";
  bytes += '\0';
  bytes += "\xE0\xF2\r\n";
  const std::string file = dir.file("20251014-1130.tu");
  ASSERT_TRUE(WriteFileAtomic(file, bytes));
  EXPECT_EQ(fs::file_size(dvtest::PathOf(file)), bytes.size());
  std::string read;
  ASSERT_TRUE(ReadFileBytes(file, read));
  EXPECT_EQ(read, bytes);
  ASSERT_TRUE(CopyToReadOnly(file, dir.file("20251014-1130.org.tu")));
  EXPECT_EQ(dvtest::ReadAll(dir.file("20251014-1130.org.tu")), bytes);

  // The writers end every line with CR LF, and the readers take CR LF and LF alike.
  TuArray tu;
  ParseTu("0.00\t5.00\t80.00\n1.00\t4.90\t79.00\r\n", tu);
  ASSERT_EQ(tu.Count(), 2);
  ASSERT_TRUE(WriteTuFile(file, tu).ok);
  EXPECT_EQ(dvtest::ReadAll(file), "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n");
}

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8) { return dvtest::PathOf(utf8).wstring(); }

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

}  // namespace

// The original as Windows reports it: read-only, and marked for the archive.
TEST(WindowsFiles, OriginalCarriesTheReadOnlyAndArchiveAttributes) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  dvtest::WriteAll(base + ".tu", kTu);
  ASSERT_EQ(SetFileAttributesW(Wide(base + ".tu").c_str(), FILE_ATTRIBUTE_NORMAL), TRUE);
  InitialData info;
  TuArray tu;
  ReadTu(base + ".tu", tu);
  tu[1].TExcluded = true;
  ASSERT_TRUE(SaveTu(base + ".tu", true, base, {}, info, tu).ok());

  const DWORD org = Attributes(base + ".org.tu");
  ASSERT_NE(org, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(org & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(org & FILE_ATTRIBUTE_ARCHIVE, 0u);
  // The flight's own new file stays writable.
  EXPECT_EQ(Attributes(base + ".tu") & FILE_ATTRIBUTE_READONLY, 0u);
  // Windows itself refuses to delete the original; our removal clears the attribute first.
  EXPECT_FALSE(DeleteFileW(Wide(base + ".org.tu").c_str()));
  EXPECT_TRUE(fs::exists(dvtest::PathOf(base + ".org.tu")));
  EXPECT_TRUE(RemoveFile(base + ".org.tu"));
  EXPECT_FALSE(fs::exists(dvtest::PathOf(base + ".org.tu")));

  const std::string marked = dir.file("marked.tu");
  dvtest::WriteAll(marked, kTu);
  ASSERT_TRUE(SetReadOnly(marked));
  EXPECT_EQ(Attributes(marked) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
            DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
  EXPECT_FALSE(IsWritable(marked));
}

// A file the observer (or the archive) made read-only with the attribute is never
// replaced, even though a rename over it would go through under some file systems.
TEST(WindowsFiles, ReadOnlyTargetIsRefusedAndKeptAsItWas) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  dvtest::WriteAll(base + ".tu", kTu);
  ASSERT_EQ(SetFileAttributesW(Wide(base + ".tu").c_str(), FILE_ATTRIBUTE_READONLY), TRUE);

  const IoResult r = WriteFileAtomic(base + ".tu", "new\r\n");
  EXPECT_FALSE(r);
  EXPECT_EQ(r.error, "the file is read-only");
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), kTu);
  EXPECT_NE(Attributes(base + ".tu") & FILE_ATTRIBUTE_READONLY, 0u);

  InitialData info;
  TuArray tu;
  ReadTu(base + ".tu", tu);
  tu[1].TExcluded = true;
  EXPECT_EQ(SaveTu(base + ".tu", true, base, {}, info, tu).status, SaveStatus::Failed);
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), kTu);
  // No original, no temporary file.
  EXPECT_EQ(Names(dvtest::StringOf(dir.path())), std::vector<std::string>{"20251014-1130.tu"});
}

// A replaced file keeps being hidden (as POSIX keeps the mode bits) and is marked
// for the archive, since its contents are new.
TEST(WindowsFiles, ReplacedFileKeepsHiddenAndIsMarkedForTheArchive) {
  dvtest::TempDir dir;
  const std::string file = dir.file("20251014-1130.info");
  dvtest::WriteAll(file, "old\r\n");
  ASSERT_EQ(SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_HIDDEN), TRUE);
  ASSERT_TRUE(WriteFileAtomic(file, "new\r\n"));
  EXPECT_EQ(dvtest::ReadAll(file), "new\r\n");
  const DWORD attrs = Attributes(file);
  EXPECT_NE(attrs & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_NE(attrs & FILE_ATTRIBUTE_ARCHIVE, 0u);
  EXPECT_EQ(attrs & FILE_ATTRIBUTE_READONLY, 0u);
}

// Another program holding the flight's file open without delete sharing (a
// viewer, the processing program) makes the replace fail: the file is then
// whole and old, and a first save takes its original back.
TEST(WindowsFiles, AFileHeldOpenElsewhereIsNeverHalfReplaced) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  dvtest::WriteAll(base + ".tu", kTu);
  InitialData info;
  TuArray tu;
  ReadTu(base + ".tu", tu);
  tu[1].TExcluded = true;
  {
    const HANDLE held = CreateFileW(Wide(base + ".tu").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFileAtomic(base + ".tu", "new\r\n"));
    const SaveOutcome r = SaveTu(base + ".tu", true, base, {}, info, tu);
    CloseHandle(held);
    EXPECT_EQ(r.status, SaveStatus::Failed);
    EXPECT_EQ(r.message, std::string("Ошибка сохранения\n") + base + ".tu");
  }
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), kTu);
  EXPECT_EQ(Names(dvtest::StringOf(dir.path())), std::vector<std::string>{"20251014-1130.tu"});
  // Once it is let go, the same save goes through.
  ASSERT_TRUE(SaveTu(base + ".tu", true, base, {}, info, tu).ok());
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), "0.00\t5.00\t80.00\r\n2.00\t4.80\t78.00\r\n");
  EXPECT_EQ(dvtest::ReadAll(base + ".org.tu"), kTu);
}

// A copy to an original killed after it was made read-only leaves a read-only
// temporary, which Windows will not simply delete; the next save clears it.
TEST(WindowsFiles, ReadOnlyTemporariesOfKilledCopiesAreCleared) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  dvtest::WriteAll(base + ".tu", kTu);
  const std::string stale = dir.file(".~20251014-1130.org.tu.0123456789abcdef.tmp");
  dvtest::WriteAll(stale, "0.00\t5.00");
  ASSERT_EQ(SetFileAttributesW(Wide(stale).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), TRUE);
  ASSERT_TRUE(CopyToReadOnly(base + ".tu", base + ".org.tu"));
  EXPECT_EQ(Names(dvtest::StringOf(dir.path())), (std::vector<std::string>{"20251014-1130.org.tu", "20251014-1130.tu"}));
}

// One file under every spelling Windows accepts: backslashes or slashes, the
// drive letter in either case, the long-path prefix.
TEST(WindowsFiles, BackslashesSlashesDriveLettersAndTheLongPathPrefix) {
  dvtest::TempDir dir;
  std::string backslashed = dir.file("Выпуски");
  ASSERT_GE(backslashed.size(), 3u);
  ASSERT_EQ(backslashed.substr(1, 2), ":\\") << "the temporary folder is on a drive";
  fs::create_directory(dvtest::PathOf(backslashed));
  backslashed += "\\20251014-1130.tu";
  std::string slashed = backslashed;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  std::string otherCase = backslashed;
  otherCase[0] = static_cast<char>(otherCase[0] ^ 0x20);

  ASSERT_TRUE(WriteFileAtomic(slashed, kTu));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(backslashed, bytes));
  EXPECT_EQ(bytes, kTu);
  ASSERT_TRUE(ReadFileBytes("\\\\?\\" + backslashed, bytes));
  EXPECT_EQ(bytes, kTu);
  EXPECT_TRUE(SameFile(slashed, backslashed));
  EXPECT_TRUE(SameFile(otherCase, backslashed));
  EXPECT_TRUE(FileExists(otherCase));
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(slashed)));

  // The name helpers split at either separator and after the drive.
  EXPECT_EQ(ExtractFileName(slashed), "20251014-1130.tu");
  EXPECT_EQ(ExtractFilePath(backslashed), backslashed.substr(0, backslashed.size() - 16));
  EXPECT_EQ(ChangeFileExtToNone("C:\\Архив.2025\\20251014-1130.tu"), "C:\\Архив.2025\\20251014-1130");
  EXPECT_EQ(ExtractFilePath("D:20251014-1130.info"), "D:");
  EXPECT_EQ(IncludeTrailingPathDelimiter("D:\\Архив"), "D:\\Архив\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("D:/Архив/"), "D:/Архив/");

  // An original made through the slashed name sits beside the file.
  ASSERT_TRUE(CopyToReadOnly(slashed, ChangeFileExtToNone(slashed) + ".org.tu"));
  EXPECT_NE(Attributes(ChangeFileExtToNone(backslashed) + ".org.tu") & FILE_ATTRIBUTE_READONLY, 0u);
}

#endif  // _WIN32
