#include <QAction>
#include <QElapsedTimer>

#include "WindowFixture.h"
#include "charts/ArcCharts.h"
#include "editing/ListingView.h"

// Files from equipment that failed in the field: each must end in a loaded
// flight or a clear message, without a crash and without a long stall.
using HostileFlightsTest = WindowFixture;

TEST_F(HostileFlightsTest, ASingleFiftyMegabyteLineIsOneRecord) {
  std::string line = "0.00\t5.00\t80.00";
  line.append(50u << 20, ' ');
  line += "\r\n";
  const std::string base = WriteFlight("longline", line, "0.00\t150.00\t1.0\t0.0\r\n");
  Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(flight.Points.TuPoints.Count(), 1);
  EXPECT_EQ(window->lbxTLM->RowCount(), 1);
  EXPECT_LE(window->lbxTLM->listModel()->RowText(0).size(), 1001);  // shown cut
  window->lbxTLM->viewport()->repaint();
}

TEST_F(HostileFlightsTest, NulBytesAreAnEmptyFile) {
  const std::string base = WriteFlight("nul", std::string(1 << 20, '\0'), std::string(1000, '\0'));
  Create();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(flight.Points.TuPoints.Count(), 0);
  EXPECT_EQ(flight.Points.CrdPoints.Count(), 0);
  EXPECT_FALSE(TfmMainFrm::IsReachable(window->idSaveTLM));  // nothing to save
}

TEST_F(HostileFlightsTest, AMillionCoordinateLinesLoad) {
  std::string crd;
  crd.reserve(40u << 20);
  for (int i = 0; i < 1'000'000; ++i)
    crd += std::to_string(i) + ".00\t" + std::to_string(150 + i / 10) + ".00\t1.000000\t0.100000\r\n";
  const std::string base = WriteFlight("million", "0.00\t5.00\t80.00\r\n", crd);
  Create();
  QElapsedTimer timer;
  timer.start();
  ASSERT_TRUE(Open(base));
  EXPECT_EQ(flight.Points.CrdPoints.Count(), 1'000'000);
  EXPECT_EQ(window->lbxCRD->RowCount(), 1'000'000);
  EXPECT_EQ(window->charts().serSR()->count(), 1'000'000);
  RecordProperty("open_ms", static_cast<int>(timer.elapsed()));
}

TEST_F(HostileFlightsTest, AnOversizedFileIsRefusedWithAMessage) {
  const std::string base = WriteFlight("huge", "0.00\t5.00\t80.00\r\n", "");
  // A sparse file: 300 MB long without taking the disk.
  std::filesystem::resize_file(base + ".tu", 300u << 20);
  Create();
  EXPECT_FALSE(Open(base) && flight.Points.TuPoints.Count() > 0);
  ASSERT_FALSE(dialogs.calls.empty());
  EXPECT_EQ(dialogs.calls.back().kind, "error");
  EXPECT_TRUE(dialogs.calls.back().text.startsWith("Файл слишком велик для выпуска (более 256 МБ): "));
}
