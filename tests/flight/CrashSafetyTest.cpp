#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "TestSupport.h"
#include "common/FileIO.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"
#include "flight/Saving.h"

using namespace dv;
namespace fs = std::filesystem;

namespace {

TuArray Telemetry(int records) {
  TuArray a;
  for (int i = 0; i < records; ++i) a.Add(TuPoint{float(i), 11.5f - 0.001f * i, 80 - 0.0005f * i, false, false, false});
  return a;
}

CrdArray Coordinates(int records) {
  CrdArray a;
  for (int i = 0; i < records; ++i) a.Add(CrdPoint{double(i), 150.0 + 9.0 * i, 20.0 - 1e-4 * i, 90.0 + 1e-3 * i, false, false});
  return a;
}

const char* const kInfo =
    "StationSynopticIndex:\t27612\r\nStationLongitude:\t37.567\r\nStationLattitude:\t55.833\r\n"
    "StationHeightAboveSeaLevel:\t147\r\nOnGroundPressure:\t1003.2\r\nOnGroundWindDirection:\t200\r\n"
    "OnGroundWindVelocity:\t5\r\nOnGroundHumidityError:\t1.5\r\nOnGroundTemperatureError:\t-0.25\r\n"
    "StartYear:\t2025\r\nStartMonth:\t10\r\nStartDay:\t14\r\nStartHour:\t11\r\nStartMinute:\t30\r\n"
    "NebulosityCode:\t8/6//\r\nRadioZondType:\t90\r\nObserver:\tIvanova\r\n";

const char* const kExts[] = {".info", ".tu", ".crd"};

// The delivered bytes of a large flight, and the save an observer makes of it.
struct BigFlight {
  std::map<std::string, std::string> delivered;

  BigFlight() {
    delivered[".info"] = kInfo;
    delivered[".tu"] = FormatTuLines(Telemetry(100000));
    delivered[".crd"] = FormatCrdLines(Coordinates(100000));
  }
  void Deliver(const std::string& base) const {
    for (const auto& [ext, bytes] : delivered) dvtest::WriteAll(base + ext, bytes);
  }
  // The flight as the observer has it open, with the edits made.
  struct Open {
    InitialData info;
    TuArray tu;
    CrdArray crd;
    bool ok = false;
  };
  static Open Load(const std::string& base) {
    Open f;
    f.ok = ReadInfo(base + ".info", true, f.info).ok;
    ReadTu(base + ".tu", f.tu);
    ReadCrd(base + ".crd", f.crd);
    // Chosen by time, so that saving again what was saved changes nothing.
    for (int i = 1; i < f.tu.Count(); ++i)
      if (static_cast<int>(f.tu[i].Time) % 7 == 1) f.tu[i].TExcluded = f.tu[i].UExcluded = true;
    for (int i = 1; i < f.crd.Count(); ++i)
      if (static_cast<int>(f.crd[i].Time) % 5 == 1) f.crd[i].Excluded = true;
    return f;
  }
  // The first save of all three files, each keeping its original, as "Всё" does.
  static bool Save(const std::string& base, Open& f) {
    return f.ok && SaveInfo(base + ".info", true, 0, base, {"1013.3", "210", "6", "8/6//", "90"}, f.info).ok() &&
           SaveTu(base + ".tu", true, base, {}, f.info, f.tu).ok() &&
           SaveCrd(base + ".crd", true, base, {}, f.info, f.crd).ok();
  }
  static bool Save(const std::string& base) {
    Open f = Load(base);
    return Save(base, f);
  }
};

#ifdef _WIN32
// Set for the child: the flight it loads and saves.
constexpr const wchar_t* kChildFlight = L"DEVIRARAV_CRASH_SAFETY_CHILD";

std::string ChildFlight() {
  const DWORD n = GetEnvironmentVariableW(kChildFlight, nullptr, 0);
  if (n == 0) return {};
  std::wstring wide(n, L'\0');
  wide.resize(GetEnvironmentVariableW(kChildFlight, wide.data(), n));
  return dvtest::StringOf(fs::path(wide));
}

// The test program again, running only the child, its standard output in `out`.
HANDLE StartSavingChild(const std::string& base, std::FILE*& out) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return nullptr;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  std::wstring command = L"\"" + self + L"\" --gtest_filter=CrashSafetyChild.*";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  SetEnvironmentVariableW(kChildFlight, dvtest::PathOf(base).c_str());
  const BOOL started = CreateProcessW(self.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(kChildFlight, nullptr);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return nullptr;
  }
  CloseHandle(process.hThread);
  out = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(readEnd), _O_RDONLY), "r");
  return process.hProcess;
}

// The child has loaded the flight and starts the save.
bool WaitForReady(std::FILE* out) {
  char line[4096];
  while (std::fgets(line, sizeof line, out))
    if (std::string(line).rfind("ready", 0) == 0) return true;
  return false;
}
#endif

}  // namespace

// A first save killed at any instant, through the real writers, leaves every own
// file whole (old or new) and every original absent or whole and read-only; the
// next save then completes as if nothing had happened.
TEST(CrashSafety, KilledFirstSavesLoseNothing) {
  const BigFlight flight;
  dvtest::TempDir dir;

  // The bytes a complete save writes, and how long it takes.
  const std::string reference = dir.file("reference/20251014-1130");
  fs::create_directories(fs::path(reference).parent_path());
  flight.Deliver(reference);
  BigFlight::Open open = BigFlight::Load(reference);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(BigFlight::Save(reference, open));
  const double oneSave = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count();
  std::map<std::string, std::string> saved;
  for (const char* ext : kExts) saved[ext] = dvtest::ReadAll(reference + ext);
  ASSERT_NE(saved[".tu"], flight.delivered.at(".tu"));

  constexpr int kRounds = 40;
  int violations = 0, untouched = 0, partway = 0, complete = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string base = dir.file("round" + std::to_string(round) + "/20251014-1130");
    fs::create_directories(fs::path(base).parent_path());
    flight.Deliver(base);
#ifdef _WIN32
    // A process of its own, the test program again running only the child below,
    // ended by TerminateProcess: Windows' kill, with no chance to clean up.
    std::FILE* out = nullptr;
    const HANDLE child = StartSavingChild(base, out);
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(WaitForReady(out));
    const auto ready = std::chrono::steady_clock::now();
    const auto killAt = ready + std::chrono::microseconds(static_cast<long long>(oneSave * 1.3 * round / (kRounds - 1)));
    while (std::chrono::steady_clock::now() < killAt) {
    }
    TerminateProcess(child, 9);
    WaitForSingleObject(child, INFINITE);
    CloseHandle(child);
    std::fclose(out);
#else
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      BigFlight::Open f = BigFlight::Load(base);
      const char go = 'g';
      if (write(ready[1], &go, 1) != 1) _exit(3);
      _exit(BigFlight::Save(base, f) ? 0 : 2);
    }
    close(ready[1]);
    char go = 0;
    ASSERT_EQ(read(ready[0], &go, 1), 1);
    close(ready[0]);
    // Kill times run evenly from the start of the save to a little past its end.
    usleep(static_cast<useconds_t>(oneSave * 1.3 * round / (kRounds - 1)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
#endif

    const std::string why = dvtest::FlightSaveViolation(base, flight.delivered, saved);
    if (!why.empty()) {
      ++violations;
      ADD_FAILURE() << "round " << round << ": " << why;
    }
    int originals = 0, rewritten = 0;
    for (const char* ext : kExts) {
      originals += fs::exists(base + ".org" + ext);
      rewritten += dvtest::ReadAll(base + ext) == saved[ext] && saved[ext] != flight.delivered.at(ext);
    }
    (rewritten == 3 ? complete : originals + rewritten == 0 ? untouched : partway) += 1;

    // Whatever the kill left, saving again works and ends as a save does.
    ASSERT_TRUE(BigFlight::Save(base)) << "round " << round;
    for (const char* ext : kExts) {
      EXPECT_TRUE(dvtest::ReadAll(base + ".org" + ext) == flight.delivered.at(ext)) << round << ext;
      EXPECT_TRUE(dvtest::IsReadOnly(base + ".org" + ext)) << round << ext;
    }
    EXPECT_TRUE(dvtest::ReadAll(base + ".tu") == saved[".tu"]) << round;
    EXPECT_TRUE(dvtest::ReadAll(base + ".crd") == saved[".crd"]) << round;
    // A kill between the original and the new .info leaves the delivered file to be
    // updated rather than written anew: other line order, the same values.
    EXPECT_NE(dvtest::ReadAll(base + ".info").find("OnGroundPressure:\t1013.3\r\n"), std::string::npos) << round;
    // Windows removes no read-only file: the originals get their write bit back first.
    for (const auto& e : fs::directory_iterator(fs::path(base).parent_path()))
      fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(fs::path(base).parent_path());
  }
  std::printf("[ kills    ] %d kills over a %.1f ms save: %d before any change, %d part-way, %d after it; "
              "%d violations\n", kRounds, oneSave / 1000, untouched, partway, complete, violations);
  EXPECT_EQ(violations, 0);
  // The kill times reached into the save itself, not only before or after it.
  EXPECT_GT(partway, 0);
}

#ifdef _WIN32
// Started by the kill loop above with the flight to save in kChildFlight.
TEST(CrashSafetyChild, SavesTheFlightItIsGiven) {
  const std::string base = ChildFlight();
  if (base.empty()) GTEST_SKIP() << "run only by CrashSafety.KilledFirstSavesLoseNothing";
  BigFlight::Open f = BigFlight::Load(base);
  std::fputs("\nready\n", stdout);
  std::fflush(stdout);
  std::_Exit(BigFlight::Save(base, f) ? 0 : 2);
}
#endif

// Temporary files of killed saves never block a later one, and are cleared by it.
TEST(CrashSafety, StaleTemporariesNeitherBlockNorPileUp) {
  dvtest::TempDir dir;
  const std::string target = dir.file("20251014-1130.tu");
  dvtest::WriteAll(target, "old");
  // What a hundred killed saves, old-style and new, would have left.
  for (int i = 0; i < 100; ++i) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016x", i);
    dvtest::WriteAll(dir.file(".~20251014-1130.tu." + std::string(hex) + ".tmp"), "stump");
  }
  dvtest::WriteAll(dir.file("unrelated.tmp"), "keep");
  ASSERT_TRUE(WriteFileAtomic(target, "new"));
  EXPECT_EQ(dvtest::ReadAll(target), "new");
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"20251014-1130.tu", "unrelated.tmp"}));

  EXPECT_TRUE(IsOurTemporaryFor(".~a.tu.0123456789abcdef.tmp", "a.tu"));
  EXPECT_FALSE(IsOurTemporaryFor(".~a.tu.0123456789abcdeg.tmp", "a.tu"));
  EXPECT_FALSE(IsOurTemporaryFor(".~a.tu.0123456789abcdef.tmp", "a.t"));
  EXPECT_FALSE(IsOurTemporaryFor(".~a.tu.0123456789abcde.tmp", "a.tu"));
  EXPECT_FALSE(IsOurTemporaryFor("a.tu.0123456789abcdef.tmp", "a.tu"));
}

// A link as the flight's own file: the original holds the delivered bytes as a
// file of its own, and the file the link points to keeps its bytes and mode.
TEST(CrashSafety, LinkedOwnFileIsCopiedNotFollowedByTheMode) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX modes and symbolic links: a Windows file has a read-only attribute instead, and a link needs a privilege";
#else
  dvtest::TempDir dir;
  const std::string elsewhere = dir.file("archive.tu");
  dvtest::WriteAll(elsewhere, "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n");
  fs::permissions(elsewhere, fs::perms(0644), fs::perm_options::replace);
  const std::string base = dir.file("20251014-1130");
  fs::create_symlink(elsewhere, base + ".tu");
  InitialData info;
  TuArray tu;
  ReadTu(base + ".tu", tu);
  tu[1].TExcluded = true;
  ASSERT_TRUE(SaveTu(base + ".tu", true, base, {}, info, tu).ok());

  EXPECT_FALSE(fs::is_symlink(base + ".org.tu"));
  EXPECT_EQ(dvtest::ReadAll(base + ".org.tu"), "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n");
  EXPECT_TRUE(dvtest::IsReadOnly(base + ".org.tu"));
  EXPECT_EQ(dvtest::ReadAll(elsewhere), "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n");
  EXPECT_EQ(fs::status(elsewhere).permissions(), fs::perms(0644));
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), "0.00\t5.00\t80.00\r\n");
#endif
}

// Permission bits: kept by a successful save, untouched by a failed one.
TEST(CrashSafety, PermissionBitsSurviveSavesAndFailures) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permission bits; the Windows attributes are tested in WindowsFiles";
#else
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  const std::string delivered = "0.00\t5.00\t80.00\r\n1.00\t4.90\t79.00\r\n";
  InitialData info;
  TuArray tu;

  // A read-only delivered file (0440): the save is refused and nothing changes.
  dvtest::WriteAll(base + ".tu", delivered);
  fs::permissions(base + ".tu", fs::perms(0440), fs::perm_options::replace);
  ReadTu(base + ".tu", tu);
  const SaveOutcome refused = SaveTu(base + ".tu", true, base, {}, info, tu);
  EXPECT_EQ(refused.status, SaveStatus::Failed);
  EXPECT_EQ(fs::status(base + ".tu").permissions(), fs::perms(0440));
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), delivered);
  EXPECT_FALSE(fs::exists(base + ".org.tu"));

  // A group-writable one (0664): the new file keeps 0664, the original loses every write bit.
  fs::permissions(base + ".tu", fs::perms(0664), fs::perm_options::replace);
  tu[1].TExcluded = true;
  ASSERT_TRUE(SaveTu(base + ".tu", true, base, {}, info, tu).ok());
  EXPECT_EQ(fs::status(base + ".tu").permissions(), fs::perms(0664));
  EXPECT_EQ(fs::status(base + ".org.tu").permissions(), fs::perms(0444));
#endif
}

// A write elsewhere with the original kept never takes the own file away: the export
// retires it only once its whole set is written.
TEST(CrashSafety, WritingElsewhereKeepsTheOwnFile) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  dvtest::WriteAll(base + ".tu", "0.00\t5.00\t80.00\r\n");
  InitialData info;
  TuArray tu;
  ReadTu(base + ".tu", tu);
  // The export target is a folder: the write fails, the flight stays as it was.
  fs::create_directory(dir.file("14.10.2025-8.30.tu"));
  EXPECT_EQ(SaveTu(dir.file("14.10.2025-8.30.tu"), true, base, {}, info, tu).status, SaveStatus::Failed);
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), "0.00\t5.00\t80.00\r\n");
  EXPECT_FALSE(fs::exists(base + ".org.tu"));

  fs::remove(dir.file("14.10.2025-8.30.tu"));
  ASSERT_TRUE(SaveTu(dir.file("14.10.2025-8.30.tu"), true, base, {}, info, tu).ok());
  EXPECT_EQ(dvtest::ReadAll(base + ".tu"), "0.00\t5.00\t80.00\r\n");
  EXPECT_EQ(dvtest::ReadAll(base + ".org.tu"), "0.00\t5.00\t80.00\r\n");
  EXPECT_EQ(dvtest::ReadAll(dir.file("14.10.2025-8.30.tu")), "0.00\t5.00\t80.00\r\n");
}
