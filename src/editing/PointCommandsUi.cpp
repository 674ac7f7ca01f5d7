// Excluding and restoring points, and the time corrections, from the menu.

#include <QAction>
#include <QLabel>
#include <QTabWidget>
#include <type_traits>

#include "app/MainWindow.h"
#include "app/UserDialogs.h"
#include "app/TextCodec.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "flight/Saving.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"
#include "editing/PointEditing.h"

// An edit of the telemetry refills or recolours the telemetry series only. The
// trajectory loses its highlight as it did when every series was refilled.
void TfmMainFrm::RefillTelemetryCharts() {
  charts_->RefillTelemetry(flight_->Points);
  charts_->ClearTrajectoryHighlight();
}

void TfmMainFrm::RefillCoordinateCharts() { charts_->RefillCoordinates(flight_->Points); }

void TfmMainFrm::ShowListing(TListingView* listing) {
  PageControlTxt->setCurrentWidget(listing == lbxTLM ? tsTUTxt : tsCRDTxt);
  listing->setFocus();
  listing->viewport()->update();
}

void TfmMainFrm::idMarkTUClick() {
  if (!lbxTLM->HasSelection()) return;
  if (!dv::ToggleTelemetry(flight_->Points.TuPoints, TLMRange)) return;
  // Only flags of the range changed: its points are recoloured, nothing rebuilt.
  charts_->RecolourTelemetry(flight_->Points.TuPoints, TLMRange.StartRow, TLMRange.EndRow);
  charts_->ClearTrajectoryHighlight();
  HighlightTrajectoryRange();
  SetTLMModified(true);
  ShowListing(lbxTLM);
}

void TfmMainFrm::idMarkCRDClick() {
  if (!lbxCRD->HasSelection()) return;
  if (!dv::ToggleCoordinates(flight_->Points.CrdPoints, CRDRange)) return;
  charts_->RecolourCoordinates(flight_->Points.CrdPoints, CRDRange.StartRow, CRDRange.EndRow);
  HighlightTrajectoryRange();
  SetCRDModified(true);
  ShowListing(lbxCRD);
}

namespace {
const QString kCorrectionPrompt = QStringLiteral("Введите/подтвердите предполагаемое время");
}  // namespace

template <typename Array>
bool TfmMainFrm::CorrectTimeFailure(TListingView* listing, const dv::TSelectedRange& range, Array& points,
                                    const QString& caption) {
  if (!listing->HasSelection()) return false;
  const auto failure = dv::FindTimeFailure(points, range.StartRow);
  if (!failure) return false;
  const auto answer = dialogs_->inputText(caption, kCorrectionPrompt,
                                          QString::fromStdString(dv::FormatFixed(failure->proposed, 0, 2)));
  double shift = failure->step;  // Cancel still moves the tail by the previous interval
  if (answer) {
    const auto entered = dv::TextToReal(answer->toStdString());
    if (!entered) return false;
    shift = *entered - failure->current;
    if (shift < 0) return false;  // the row may not move earlier than it is
  }
  if (!dv::ShiftFits(points, failure->row, shift)) return false;
  dv::ShiftTimesFrom(points, failure->row, shift);
  if constexpr (std::is_same_v<Array, dv::TuArray>) RefillTelemetryCharts();
  else RefillCoordinateCharts();
  return true;
}

void TfmMainFrm::idTLMTimeClick() {
  if (!CorrectTimeFailure(lbxTLM, TLMRange, flight_->Points.TuPoints, QStringLiteral("Коррекция времени TLM")))
    return;
  SetTLMModified(true);
  lblTLMdtime->clear();
  idTLMTime->setEnabled(false);
  lbListingClick(lbxTLM);
  ShowListing(lbxTLM);
}

void TfmMainFrm::idCRDTimeClick() {
  if (!CorrectTimeFailure(lbxCRD, CRDRange, flight_->Points.CrdPoints, QStringLiteral("Коррекция времени CRD")))
    return;
  SetCRDModified(true);
  lblCRDdtime->clear();
  idCRDTime->setEnabled(false);
  lbListingClick(lbxCRD);
  ShowListing(lbxCRD);
}

void TfmMainFrm::idTimeShiftClick() {
  const auto answer = dialogs_->inputText(QStringLiteral("Коррекция полетного времени"),
                                          QStringLiteral("Введите предполагаемую задержку(-)/опережение(+), с"),
                                          QStringLiteral("0"));
  if (!answer) return;
  const auto seconds = dv::TextToInt16(answer->toStdString());
  if (!seconds || *seconds < -dv::kMaxTimeShift || *seconds > dv::kMaxTimeShift) return;
  if (!dv::ShiftFits(flight_->Points.CrdPoints, 1, *seconds) || !dv::ShiftFits(flight_->Points.TuPoints, 1, *seconds))
    return;
  // Point 0, the surface observation and the launch point, keeps its time.
  dv::ShiftTimesFrom(flight_->Points.CrdPoints, 1, *seconds);
  dv::ShiftTimesFrom(flight_->Points.TuPoints, 1, *seconds);
  RefillTelemetryCharts();
  RefillCoordinateCharts();
  SetTLMModified(true);
  lbxTLM->viewport()->update();
  SetCRDModified(true);
  lbxCRD->viewport()->update();
}

void TfmMainFrm::HighlightTrajectoryRange() {
  if (!CRDRange.IsSet()) return;
  if (charts_->HighlightTrajectory(CRDRange.StartTime, CRDRange.EndTime)) ChrtXY->replotWhenShown();
}

void TfmMainFrm::ChartEditClick() {
  // The chart of the front page, kept as a picture for a report or a colleague.
  TChart* chart = nullptr;
  QWidget* page = PageControlTU->currentWidget();
  if (page == tsCRD) chart = ChrtCRD;
  else if (page == tsXY) chart = ChrtXY;
  else if (page == tsTLM) chart = ChrtTLM;
  if (!chart) return;
  const QString suggested = PathToQt(flight_->FlightBase.empty() ? flight_->StartDir : flight_->FlightBase) +
                            QLatin1Char('-') + chart->objectName() + QStringLiteral(".png");
  const auto file = dialogs_->chooseSaveFile(QStringLiteral("Диаграмма"),
                                             QStringLiteral("Рисунок PNG (*.png);;Документ PDF (*.pdf)"), suggested);
  if (!file) return;
  const bool pdf = file->endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
  const bool ok = pdf ? chart->savePdf(*file, chart->width(), chart->height())
                      : chart->savePng(*file, chart->width(), chart->height());
  if (!ok) dialogs_->message(QString::fromUtf8(dv::kSaveError) + QLatin1Char('\n') + *file);
}
