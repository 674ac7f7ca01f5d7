// "Всё" killed at any instant, in a real window of a process of its own, loses
// nothing of the flight.

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "WindowFixture.h"
#include "editing/ListingView.h"
#include "flight/PointFiles.h"

namespace fs = std::filesystem;

namespace {

// Set in the child: the flight it opens, edits and saves with "Всё".
constexpr const char* kChildFlight = "DEVIRARAV_SAVE_ALL_CHILD";

std::map<std::string, std::string> Delivered() {
  dv::TuArray tu;
  dv::CrdArray crd;
  for (int i = 0; i < 50000; ++i) {
    tu.Add(dv::TuPoint{float(i), 11.5f - 0.001f * i, 80 - 0.0005f * i, false, false, false});
    crd.Add(dv::CrdPoint{double(i), 150.0 + 9.0 * i, 20.0 - 1e-4 * i, 90.0 + 1e-3 * i, false, false});
  }
  return {{".info",
           "StationSynopticIndex:\t27612\r\nStationLongitude:\t37.567\r\nStationLattitude:\t55.833\r\n"
           "StationHeightAboveSeaLevel:\t147\r\nOnGroundPressure:\t1003.2\r\nOnGroundWindDirection:\t200\r\n"
           "OnGroundWindVelocity:\t5\r\nOnGroundHumidityError:\t1.5\r\nOnGroundTemperatureError:\t-0.25\r\n"
           "StartYear:\t2025\r\nStartMonth:\t10\r\nStartDay:\t14\r\nStartHour:\t11\r\nStartMinute:\t30\r\n"
           "NebulosityCode:\t8/6//\r\nRadioZondType:\t90\r\n"},
          {".tu", dv::FormatTuLines(tu)},
          {".crd", dv::FormatCrdLines(crd)}};
}

void Deliver(const std::string& base, const std::map<std::string, std::string>& files) {
  fs::create_directories(fs::path(base).parent_path());
  for (const auto& [ext, bytes] : files) dvtest::WriteAll(base + ext, bytes);
}

struct Child {
  pid_t pid = -1;
  FILE* out = nullptr;  // the child's standard output
};

// The window tests again, running only the child below on `base`.
Child Start(const std::string& base) {
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return {};
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFd[1], STDOUT_FILENO);
    close(pipeFd[0]);
    close(pipeFd[1]);
    setenv(kChildFlight, base.c_str(), 1);
    execl(self.c_str(), self.c_str(), "--gtest_filter=SaveAllKillChild.*", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFd[1]);
  return {pid, fdopen(pipeFd[0], "r")};
}

// Reads the child's lines until one starts with `word`; its rest, or nothing.
std::optional<std::string> WaitFor(FILE* out, const std::string& word) {
  char line[4096];
  while (fgets(line, sizeof line, out)) {
    const std::string s(line);
    if (s.rfind(word, 0) == 0) return s.substr(word.size());
  }
  return std::nullopt;
}

}  // namespace

class SaveAllKillChild : public WindowFixture {};

// Only in the child process: open, edit all three files, say "ready", save with "Всё".
TEST_F(SaveAllKillChild, OpenEditAndSaveAll) {
  const char* base = std::getenv(kChildFlight);
  if (!base) GTEST_SKIP() << "runs only as the child of KilledSaveAllLosesNothing";
  auto& w = Create();
  if (!Open(base)) _exit(2);
  w.lbxTLM->SelectFromChart(10);
  w.lbListingClick(w.lbxTLM);
  w.idMarkTLM->trigger();
  w.lbxCRD->SelectFromChart(20);
  w.lbListingClick(w.lbxCRD);
  w.idMarkCRD->trigger();
  w.edtP0->setFocus();
  w.edtP0->selectAll();
  QTest::keyClicks(w.edtP0, "1010");
  if (!(w.InfoModified && w.TLMModified && w.CRDModified)) _exit(3);
  std::printf("ready\n");
  std::fflush(stdout);
  const auto started = std::chrono::steady_clock::now();
  w.idSaveAll->trigger();
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  std::printf("done %lld\n", static_cast<long long>(took.count()));
  std::fflush(stdout);
  _exit(w.InfoModified || w.TLMModified || w.CRDModified ? 4 : 0);
}

TEST(SaveAllKill, KilledSaveAllLosesNothing) {
  const auto delivered = Delivered();
  dvtest::TempDir dir;

  // One whole run: what "Всё" writes, and how long it takes.
  const std::string reference = dir.file("reference/20251014-1130");
  Deliver(reference, delivered);
  Child ref = Start(reference);
  ASSERT_TRUE(ref.out);
  ASSERT_TRUE(WaitFor(ref.out, "ready"));
  const auto took = WaitFor(ref.out, "done ");
  ASSERT_TRUE(took);
  fclose(ref.out);
  int status = 0;
  waitpid(ref.pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const double oneSave = std::stod(*took);
  std::map<std::string, std::string> saved;
  for (const char* ext : {".info", ".tu", ".crd"}) saved[ext] = dvtest::ReadAll(reference + ext);
  ASSERT_NE(saved[".info"], delivered.at(".info"));

  constexpr int kRounds = 30;
  int violations = 0, partway = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::string base = dir.file("round" + std::to_string(round) + "/20251014-1130");
    Deliver(base, delivered);
    Child child = Start(base);
    ASSERT_TRUE(child.out);
    ASSERT_TRUE(WaitFor(child.out, "ready")) << round;
    usleep(static_cast<useconds_t>(oneSave * 1.2 * round / (kRounds - 1)));
    kill(child.pid, SIGKILL);
    fclose(child.out);
    waitpid(child.pid, &status, 0);
    const std::string why = dvtest::FlightSaveViolation(base, delivered, saved);
    if (!why.empty()) {
      ++violations;
      ADD_FAILURE() << "round " << round << ": " << why;
    }
    int originals = 0;
    for (const char* ext : {".info", ".tu", ".crd"}) originals += fs::exists(base + ".org" + ext);
    partway += originals > 0 && dvtest::ReadAll(base + ".crd") != saved[".crd"];
    fs::remove_all(fs::path(base).parent_path());
  }
  std::printf("[ kills    ] %d kills over a %.1f ms \"Всё\": %d part-way; %d violations\n", kRounds,
              oneSave / 1000, partway, violations);
  EXPECT_EQ(violations, 0);
  EXPECT_GT(partway, 0);
}
