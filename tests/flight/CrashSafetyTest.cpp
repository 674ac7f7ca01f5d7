#include <gtest/gtest.h>

#include <csignal>
#include <chrono>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "flight/PointFiles.h"

using namespace dv;

namespace {

TuArray Flight(int records, float temperature) {
  TuArray a;
  for (int i = 0; i < records; ++i) a.Add(TuPoint{float(i), temperature - 0.001f * i, 50, false, false, false});
  return a;
}

}  // namespace

// A save killed at any moment leaves the old file or the new one, never a mix
// or a stump: the new bytes reach the target's name only by the final rename.
TEST(CrashSafety, KilledSavesLeaveTheOldOrTheNewFile) {
  dvtest::TempDir dir;
  const std::string target = dir.file("big.tu");
  const TuArray a = Flight(100000, 10);
  const TuArray b = Flight(100000, -10);
  const std::string bytesA = FormatTuLines(a);
  const std::string bytesB = FormatTuLines(b);
  // One save's duration sets the kill times, so they fall all through the
  // saving cycle on a fast build and a slow (sanitized) one alike.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(WriteTuFile(target, a).ok);
  const auto oneSave = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - started).count();

  std::mt19937 rng(42);
  for (int round = 0; round < 30; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) WriteTuFile(target, (i % 2) ? a : b);
    }
    usleep(static_cast<useconds_t>(oneSave / 2 + static_cast<long long>(rng() % 4000) * oneSave / 1000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string now = dvtest::ReadAll(target);
    ASSERT_TRUE(now == bytesA || now == bytesB) << "round " << round << ": " << now.size() << " bytes";
  }
  // Temporary files left by the killed writers show that kills did land in the
  // middle of saving; the target was whole every time all the same.
  int stumps = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    stumps += e.path().filename().string().find(".tmp") != std::string::npos;
  EXPECT_GT(stumps, 0);
}
