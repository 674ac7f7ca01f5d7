#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/ProfileFile.h"
#include "desktop/Desktop.h"

using dvtest::ReadAll;
using dvtest::TempDir;
using dvtest::WriteAll;
namespace desk = dv::desktop;

TEST(ConfigLocation, BesideAWritableProgramElseInTheUsersFolder) {
  desk::ConfigPlaces p;
  p.besideFile = "/opt/dv/devirarav.CNF";
  p.xdgConfigHome = "/home/o/.cfg";
  p.home = "/home/o";
  p.systemFile = "/etc/devirarav/devirarav.CNF";
  struct Case {
    bool writable, installed;
    const char* xdg;
    const char* home;
    const char* file;
  };
  const Case cases[] = {
      {true, false, "/home/o/.cfg", "/home/o", "/opt/dv/devirarav.CNF"},  // a build folder
      {false, false, "/home/o/.cfg", "/home/o", "/home/o/.cfg/devirarav/devirarav.CNF"},
      // The superuser may write to /usr/bin: installed still means the user's folder.
      {true, true, "/home/o/.cfg", "/home/o", "/home/o/.cfg/devirarav/devirarav.CNF"},
      {false, false, "", "/home/o", "/home/o/.config/devirarav/devirarav.CNF"},
      // A relative XDG_CONFIG_HOME is to be ignored.
      {false, false, "cfg", "/home/o", "/home/o/.config/devirarav/devirarav.CNF"},
  };
  for (const Case& c : cases) {
    p.programFolderWritable = c.writable;
    p.installed = c.installed;
    p.xdgConfigHome = c.xdg;
    p.home = c.home;
    const desk::ConfigLocation at = desk::LocateConfig(p);
    EXPECT_EQ(std::filesystem::path(at.file), std::filesystem::path(c.file)) << c.file;
    EXPECT_EQ(at.beside, c.writable && !c.installed);
    EXPECT_EQ(at.seed, at.beside ? "" : p.systemFile);
  }
}

TEST(ConfigLocation, InstalledLayoutAndWritableFolderAreSeen) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "bin");
  const std::string program = (dir.path() / "bin" / "devirarav").string();
  EXPECT_FALSE(desk::CurrentPlaces(program, "devirarav.CNF").installed);
  std::filesystem::create_directories(dir.path() / "share" / "devirarav");
  const desk::ConfigPlaces p = desk::CurrentPlaces(program, "devirarav.CNF");
  EXPECT_TRUE(p.installed);
  EXPECT_TRUE(p.programFolderWritable);
  EXPECT_EQ(std::filesystem::path(p.besideFile), dir.path() / "bin" / "devirarav.CNF");
  EXPECT_FALSE(desk::IsFolderWritable(dir.file("missing")));
}

// The user's file does not exist until the first close; until then the system's is read,
// and the first write starts from its bytes.
TEST(ConfigLocation, SeedIsReadThenCopiedAtTheFirstWrite) {
  TempDir dir;
  const std::string seed = dir.file("etc.CNF");
  const std::string seedBytes = "; \xD1\xF2\xE0\xED\xF6\xE8\xFF\r\n[TELEGM]\r\nEXE=r.exe\r\n[OPTIONS]\r\nSrc=/data\r\n";
  WriteAll(seed, seedBytes);
  const desk::ConfigLocation at{dir.file("user/devirarav/devirarav.CNF"), seed, false};
  EXPECT_EQ(desk::ReadableConfig(at), seed);

  desk::WindowPlace place;
  place.left = 10, place.top = 20, place.width = 1000, place.height = 700, place.splitter = 400;
  place.maximized = true, place.valid = true;
  ASSERT_TRUE(desk::WriteSettingsAtClose(at, "/flights/a.info", place, {"/flights/a.info"}));
  EXPECT_EQ(desk::ReadableConfig(at), at.file);
  const std::string user = ReadAll(at.file);
  EXPECT_EQ(user.substr(0, seedBytes.size() - 2), seedBytes.substr(0, seedBytes.size() - 2));
  EXPECT_EQ(ReadAll(seed), seedBytes);  // the system's file is never written

  dv::ProfileFile profile(user);
  EXPECT_EQ(profile.Read("OPTIONS", "Path", "?"), "/flights/");
  EXPECT_EQ(profile.Read("OPTIONS", "Src", "?"), "/data");
  const desk::WindowPlace back = desk::ReadWindowPlace(profile);
  EXPECT_TRUE(back.valid && back.maximized);
  EXPECT_EQ(std::tie(back.left, back.top, back.width, back.height, back.splitter),
            std::tie(place.left, place.top, place.width, place.height, place.splitter));
  EXPECT_EQ(desk::ReadRecent(profile), std::vector<std::string>{"/flights/a.info"});

  // Without a system file the user's starts with just what the window keeps.
  const desk::ConfigLocation bare{dir.file("u2/devirarav/devirarav.CNF"), dir.file("none.CNF"), false};
  EXPECT_EQ(desk::ReadableConfig(bare), bare.file);
  ASSERT_TRUE(desk::WriteSettingsAtClose(bare, "/f/x.info", {}, {}));
  EXPECT_EQ(ReadAll(bare.file), "[OPTIONS]\r\nPath=/f/\r\n");
}

TEST(ConfigLocation, AnUnwritableUserFolderFailsAndLeavesTheFileAlone) {
  TempDir dir;
  WriteAll(dir.file("blocker"), "x");  // a file where the folder should be
  const desk::ConfigLocation at{dir.file("blocker/devirarav/devirarav.CNF"), "", false};
  EXPECT_FALSE(desk::WriteSettingsAtClose(at, "/f/x.info", {}, {}));
  EXPECT_EQ(ReadAll(dir.file("blocker")), "x");
}

TEST(WindowPlace, OnlyAWholeSensibleSizeIsTaken) {
  for (const char* text : {"[WINDOW]\nLeft=1\nTop=2\nWidth=0\nHeight=5\n", "[WINDOW]\nLeft=1\nTop=2\nWidth=9\n",
                           "[WINDOW]\nLeft=x\nTop=2\nWidth=9\nHeight=5\n", ""})
    EXPECT_FALSE(desk::ReadWindowPlace(dv::ProfileFile(text)).valid) << text;
  const desk::WindowPlace p = desk::ReadWindowPlace(dv::ProfileFile("[window]\nLeft=-8\nTop=2\nWidth=9\nHeight=5\nSplitter=-3\n"));
  EXPECT_TRUE(p.valid);
  EXPECT_EQ(p.left, -8);  // a window may stand partly off the left screen edge
  EXPECT_EQ(p.splitter, 0);
  EXPECT_FALSE(p.maximized);
}

TEST(RecentFlights, NewestFirstWithoutRepeatsAndAtMostEight) {
  std::vector<std::string> files;
  for (int i = 1; i <= 10; ++i) desk::AddRecent(files, "/f/" + std::to_string(i) + ".info");
  desk::AddRecent(files, "/f/5.info");
  ASSERT_EQ(files.size(), 8u);
  EXPECT_EQ(files[0], "/f/5.info");
  EXPECT_EQ(files[1], "/f/10.info");
  EXPECT_EQ(files[7], "/f/3.info");  // 5 moved up: nothing fell off

  dv::ProfileFile profile;
  desk::WriteRecent(profile, files);
  EXPECT_EQ(desk::ReadRecent(profile), files);
  // A shorter list leaves no stale name behind; a repeated or empty key is skipped on reading.
  desk::WriteRecent(profile, {"/f/1.info"});
  EXPECT_EQ(desk::ReadRecent(profile), std::vector<std::string>{"/f/1.info"});
  EXPECT_EQ(desk::ReadRecent(dv::ProfileFile("[RECENT]\nFile1=/a\nFile2=\nFile3=/a\nFile4=/b\n")),
            (std::vector<std::string>{"/a", "/b"}));
}

TEST(StatusTexts, CountsAndWrittenFiles) {
  dv::TuArray tu;
  dv::CrdArray crd;
  for (int i = 0; i < 5; ++i) {
    dv::TuPoint p;
    p.TExcluded = i == 1;
    p.UExcluded = i == 0 || i == 1;  // a point counts once, whichever value is out; the surface's too
    tu.Add(p);
  }
  dv::CrdPoint c;
  crd.Add(c);
  c.Excluded = true;
  crd.Add(c);
  EXPECT_EQ(desk::PointCountsText(tu, crd), "TU: 5 (искл. 2)  CRD: 2 (искл. 1)");
  EXPECT_EQ(desk::WrittenText({"/a/b/N.info", "/a/b/N.tu"}), "Записано: N.info, N.tu");
}
