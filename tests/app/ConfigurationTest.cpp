#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/Configuration.h"
#include "app/ProfileFile.h"
#include "common/Helpers.h"

namespace fs = std::filesystem;
using dvtest::ReadAll;
using dvtest::TempDir;
using dvtest::WriteAll;

namespace {

// Runs a test from `dir`, as the program runs from its station folder.
class WorkingDir {
 public:
  explicit WorkingDir(const fs::path& dir) : saved_(fs::current_path()) { fs::current_path(dir); }
  ~WorkingDir() { fs::current_path(saved_); }
  WorkingDir(const WorkingDir&) = delete;
  WorkingDir& operator=(const WorkingDir&) = delete;

 private:
  fs::path saved_;
};

const std::string kSep(1, dv::PathSeparator);

}  // namespace

// ---- reading ---------------------------------------------------------------

TEST(ProfileFileRead, NamesMatchCaseInsensitivelyAndFirstMatchWins) {
  const dv::ProfileFile p("[options]\r\n  src = A\r\nSRC=B\n[OPTIONS]\nPath=C\n");
  EXPECT_EQ(p.Read("OPTIONS", "Src", "d"), "A");
  // the second [OPTIONS] is never reached
  EXPECT_EQ(p.Read("Options", "Path", "d"), "d");
}

TEST(ProfileFileRead, EmptyValueIsNotTheDefault) {
  const dv::ProfileFile p("[RaRa]\nSet=\n;Gone=1\n");
  EXPECT_EQ(p.Read("RaRa", "Set", "d"), "");
  EXPECT_EQ(p.Read("RaRa", "Other", "d"), "d");
  EXPECT_EQ(p.Read("RaRa", ";Gone", "d"), "d");  // comment, not a key
  EXPECT_EQ(p.Read("None", "Set", "d"), "d");
}

TEST(ProfileFileRead, ValueIsReadWholeUpTo2047Bytes) {
  const std::string longValue(3000, 'x');
  const dv::ProfileFile p("[A]\nK=a=b;c\nL=" + longValue + "\n");
  EXPECT_EQ(p.Read("A", "K", ""), "a=b;c");
  EXPECT_EQ(p.Read("A", "L", ""), longValue.substr(0, 2047));
}

TEST(ProfileFileRead, SectionWithoutKeysIsAbsent) {
  const dv::ProfileFile p("[TELEGM]\n; nothing here\n[OPTIONS]\nSrc=x\n[Last]");
  EXPECT_FALSE(p.HasSection("TELEGM"));
  EXPECT_TRUE(p.HasSection("options"));
  EXPECT_FALSE(p.HasSection("Last"));
}

// ---- writing ---------------------------------------------------------------

TEST(ProfileFileWrite, ReplacesOnlyTheValueOfTheFirstMatch) {
  dv::ProfileFile p("; top\r\n[Opt]\r\n path = old  \r\npath=second\n");
  ASSERT_TRUE(p.Write("OPT", "Path", "new"));
  EXPECT_EQ(p.Bytes(), "; top\r\n[Opt]\r\n path = new\r\npath=second\n");
}

TEST(ProfileFileWrite, NewKeyGoesAfterTheSectionsLastKey) {
  dv::ProfileFile p("[A]\r\nX=1\r\n; note\r\n[B]\r\nY=2");
  ASSERT_TRUE(p.Write("a", "Z", "3"));
  EXPECT_EQ(p.Bytes(), "[A]\r\nX=1\r\nZ=3\r\n; note\r\n[B]\r\nY=2");
  ASSERT_TRUE(p.Write("B", "W", "4"));  // unterminated last line gets its break first
  EXPECT_EQ(p.Bytes(), "[A]\r\nX=1\r\nZ=3\r\n; note\r\n[B]\r\nY=2\r\nW=4\r\n");
}

TEST(ProfileFileWrite, KeyGoesUnderAnEmptyHeaderSoItIsReadBack) {
  dv::ProfileFile p("[TELEGM]\n[Other]\nK=1\n");
  ASSERT_TRUE(p.Write("TELEGM", "EXE", "run"));
  EXPECT_EQ(p.Bytes(), "[TELEGM]\nEXE=run\n[Other]\nK=1\n");
  EXPECT_EQ(p.Read("TELEGM", "EXE", ""), "run");
}

TEST(ProfileFileWrite, NewSectionIsAppendedWithTheFilesLineBreaks) {
  dv::ProfileFile lf("[A]\nX=1");
  ASSERT_TRUE(lf.Write("B", "Y", "2"));
  EXPECT_EQ(lf.Bytes(), "[A]\nX=1\n[B]\nY=2\n");
  dv::ProfileFile empty;
  ASSERT_TRUE(empty.Write("B", "Y", "2"));
  EXPECT_EQ(empty.Bytes(), "[B]\r\nY=2\r\n");
}

TEST(ProfileFileWrite, RefusesWhatALineCannotHold) {
  dv::ProfileFile p("[A]\nX=1\n");
  EXPECT_FALSE(p.Write("A", "X", "two\nlines"));
  EXPECT_FALSE(p.Write("A]", "X", "1"));
  EXPECT_FALSE(p.Write("A", "X=Y", "1"));
  EXPECT_FALSE(p.Write("A", " ", "1"));
  EXPECT_EQ(p.Bytes(), "[A]\nX=1\n");
}

// ---- configuration ---------------------------------------------------------

TEST(ConfigFileName, ReplacesOnlyTheFileNamesExtension) {
  EXPECT_EQ(dv::ConfigFileName("/opt/st.v2/devirarav.exe"), "/opt/st.v2/devirarav.CNF");
  EXPECT_EQ(dv::ConfigFileName("/opt/st.v2/devirarav"), "/opt/st.v2/devirarav.CNF");
}

TEST(ConfigurationRead, MissingFileGivesDefaults) {
  TempDir dir;
  const auto c = dv::ReadConfiguration(dir.file("none.CNF"), "/data");
  EXPECT_EQ(c.startDir, "/data");
  EXPECT_EQ(c.openDialogDir, "/data");
  EXPECT_EQ(c.openDialogFileName, "/data" + kSep + "*.info");
  EXPECT_FALSE(c.processingAvailable);
  EXPECT_EQ(c.processingExe, "");
  EXPECT_EQ(c.raraSet, "");
  EXPECT_TRUE(c.raraSetValid);
}

TEST(ConfigurationRead, PathDefaultsToSrcAndSetIsTrimmed) {
  TempDir dir;
  WriteAll(dir.file("a.CNF"), "[OPTIONS]\nSrc=/flights\n[RaRa]\nSet=\t12;\x01\n");
  auto c = dv::ReadConfiguration(dir.file("a.CNF"), "/data");
  EXPECT_EQ(c.openDialogDir, "/flights");
  EXPECT_EQ(c.openDialogFileName, "/flights" + kSep + "*.info");
  EXPECT_EQ(c.raraSet, "12;");
  EXPECT_TRUE(c.raraSetValid);

  WriteAll(dir.file("a.CNF"), "[RaRa]\nSet= 12 ;13\n[options]\npath=/p" + kSep + "\n");
  c = dv::ReadConfiguration(dir.file("a.CNF"), "/data");
  EXPECT_EQ(c.openDialogFileName, "/p" + kSep + "*.info");  // no doubled separator
  EXPECT_FALSE(c.raraSetValid);
}

TEST(ConfigurationRead, ProcessingNeedsAKeyInTelegmAndBothFilesPresent) {
  TempDir dir;
  WorkingDir here(dir.path());
  WriteAll("rivadivur.exe", "");
  fs::create_directory("TEMP");
  WriteAll("st.CNF", "[TELEGM]\n[OPTIONS]\nSrc=.\n");
  EXPECT_FALSE(dv::ReadConfiguration("st.CNF", ".").processingAvailable);

  WriteAll("bin.run", "");
  WriteAll("st.CNF", "[telegm]\nexe = bin.run\n");
  auto c = dv::ReadConfiguration("st.CNF", ".");
  EXPECT_TRUE(c.processingAvailable);
  EXPECT_EQ(c.processingExe, "bin.run");
  EXPECT_EQ(c.processingTemp, "TEMP" + kSep);

  fs::remove("TEMP");
  EXPECT_FALSE(dv::ReadConfiguration("st.CNF", ".").processingAvailable);
}

TEST(ConfigurationCommandLine, OnlyASingleArgumentSetsTheStartFolder) {
  dv::Configuration c;
  c.startDir = c.openDialogDir = "/cnf";
  dv::ApplyCommandLine(c, {"/a", "/b"});
  EXPECT_EQ(c.startDir, "/cnf");
  dv::ApplyCommandLine(c, {"/arg"});
  EXPECT_EQ(c.startDir, "/arg");
  EXPECT_EQ(c.openDialogDir, "/cnf");
  EXPECT_EQ(c.openAtStart, "");
  // A flight's .info (any case, there or not) is opened; the start folder stays.
  for (const char* info : {"/f/a.info", "/f/B.INFO", "rel/c.Info"}) {
    dv::Configuration d;
    d.startDir = "/cnf";
    dv::ApplyCommandLine(d, {info});
    EXPECT_EQ(d.openAtStart, info);
    EXPECT_EQ(d.startDir, "/cnf");
  }
  // A folder named like one is still a folder; ".info" alone is no file name.
  TempDir dir;
  const std::string folder = dir.file("flights.info");
  std::filesystem::create_directory(folder);
  for (const std::string& start : {folder, std::string(".info")}) {
    dv::Configuration d;
    dv::ApplyCommandLine(d, {start});
    EXPECT_EQ(d.startDir, start);
    EXPECT_EQ(d.openAtStart, "");
  }
}

TEST(ConfigRaRaSet, AcceptsCodesFrom1To99) {
  for (const char* ok : {"1;2;99", "12;", "", " 7; 8"}) EXPECT_TRUE(dv::CheckRaRaSet(ok)) << ok;
  for (const char* bad : {"0;5", "100", "7;x", "12;;13", "12 ;13", ";", "5;-1"})
    EXPECT_FALSE(dv::CheckRaRaSet(bad)) << bad;
}

TEST(ConfigMessages, NameTheSetAndTheFile) {
  EXPECT_EQ(dv::RaRaSetErrorMessage(" 0;5 "),
            "0;5 набор кодов радиозондов задан неверно, редактирование кода невозможно!");
  EXPECT_EQ(dv::WriteConfigErrorMessage("/x/d.CNF"), "Unable to write to / Не могу записать в /x/d.CNF");
}

// ---- writing back at close -------------------------------------------------

TEST(ConfigurationWrite, CreatesAMissingFileWithJustThePath) {
  TempDir dir;
  const std::string cnf = dir.file("d.CNF");
  ASSERT_TRUE(dv::WriteConfigPath(cnf, "/flights/2024/a.info"));
  EXPECT_EQ(ReadAll(cnf), "[OPTIONS]\r\nPath=/flights/2024/\r\n");
  EXPECT_EQ(dv::ReadConfiguration(cnf, "/s").openDialogFileName, "/flights/2024/*.info");
}

TEST(ConfigurationWrite, KeepsEveryOtherByte) {
  TempDir dir;
  const std::string cnf = dir.file("d.CNF");
  // CP1251 "Станция" in a comment and a value, CR LF and LF lines mixed
  const std::string head = "; \xD1\xF2\xE0\xED\xF6\xE8\xFF\r\n[OPTIONS]\nSrc = D:\\\xC4\xE0\xED\xED\xFB\r\n";
  const std::string tail = "\r\n[TELEGM]\nEXE=r.exe\r\n[RaRa]\nSet=1;2";
  WriteAll(cnf, head + "Path=old" + tail);
  ASSERT_TRUE(dv::WriteConfigPath(cnf, "/new/x.info"));
  EXPECT_EQ(ReadAll(cnf), head + "Path=/new/" + tail);
}

TEST(ConfigurationWrite, ReadOnlyFileIsLeftAlone) {
  TempDir dir;
  const std::string cnf = dir.file("d.CNF");
  WriteAll(cnf, "[OPTIONS]\nPath=/old/\n");
  dvtest::MakeReadOnly(cnf);
  EXPECT_FALSE(dv::WriteConfigPath(cnf, "/new/x.info"));
  EXPECT_EQ(ReadAll(cnf), "[OPTIONS]\nPath=/old/\n");
}
