// Excluding and restoring points, and the time corrections, from the menu.

#include <QAction>
#include <QLabel>
#include <QTabWidget>

#include "app/MainWindow.h"
#include "app/UserDialogs.h"
#include "app/TextCodec.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "flight/Saving.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"
#include "editing/PointEditing.h"

void TfmMainFrm::ShowListing(TListingView* listing) {
  PageControlTxt->setCurrentWidget(listing == lbxTLM ? tsTUTxt : tsCRDTxt);
  listing->setFocus();
  listing->viewport()->update();
}

void TfmMainFrm::idMarkTUClick() {
  if (!lbxTLM->HasSelection()) return;
  const std::uint32_t before = ModifiedBits();
  auto step = dv::ToggleTelemetryStep(flight_->Points.TuPoints, TLMRange);
  if (!step) return;
  step->files = kTlmBit;
  step->stateBefore = before;
  Record(std::move(*step));
  SetTLMModified(true);
  ShowListing(lbxTLM);
}

void TfmMainFrm::idMarkCRDClick() {
  if (!lbxCRD->HasSelection()) return;
  const std::uint32_t before = ModifiedBits();
  auto step = dv::ToggleCoordinatesStep(flight_->Points.CrdPoints, CRDRange);
  if (!step) return;
  step->files = kCrdBit;
  step->stateBefore = before;
  Record(std::move(*step));
  SetCRDModified(true);
  ShowListing(lbxCRD);
}

namespace {
const QString kCorrectionPrompt = QStringLiteral("Введите/подтвердите предполагаемое время");
}  // namespace

template <typename Array>
std::optional<dv::TimeDelta> TfmMainFrm::CorrectTimeFailure(TListingView* listing, const dv::TSelectedRange& range,
                                                            Array& points, const QString& caption) {
  if (!listing->HasSelection()) return std::nullopt;
  const auto failure = dv::FindTimeFailure(points, range.StartRow);
  if (!failure) return std::nullopt;
  const auto answer = dialogs_->inputText(caption, kCorrectionPrompt,
                                          QString::fromStdString(dv::FormatFixed(failure->proposed, 0, 2)));
  double shift = failure->step;  // Cancel still moves the tail by the previous interval
  if (answer) {
    const auto entered = dv::TextToReal(answer->toStdString());
    if (!entered) return std::nullopt;
    shift = *entered - failure->current;
    if (shift < 0) return std::nullopt;  // the row may not move earlier than it is
  }
  if (!dv::ShiftFits(points, failure->row, shift)) return std::nullopt;
  return dv::ShiftTimesWithDelta(points, failure->row, shift);
}

void TfmMainFrm::idTLMTimeClick() {
  dv::EditStep step;
  step.kind = dv::EditStep::Kind::CorrectTelemetryTime;
  step.files = kTlmBit;
  step.stateBefore = ModifiedBits();
  step.oldText = lblTLMdtime->text().toStdString();
  step.extra = idTLMTime->isEnabled();
  step.tu = CorrectTimeFailure(lbxTLM, TLMRange, flight_->Points.TuPoints, QStringLiteral("Коррекция времени TLM"));
  if (!step.tu) return;
  Record(std::move(step));
  SetTLMModified(true);
  lblTLMdtime->clear();
  idTLMTime->setEnabled(false);
  lbListingClick(lbxTLM);
  ShowListing(lbxTLM);
}

void TfmMainFrm::idCRDTimeClick() {
  dv::EditStep step;
  step.kind = dv::EditStep::Kind::CorrectCoordinateTime;
  step.files = kCrdBit;
  step.stateBefore = ModifiedBits();
  step.oldText = lblCRDdtime->text().toStdString();
  step.extra = idCRDTime->isEnabled();
  step.crd = CorrectTimeFailure(lbxCRD, CRDRange, flight_->Points.CrdPoints, QStringLiteral("Коррекция времени CRD"));
  if (!step.crd) return;
  Record(std::move(step));
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
  dv::EditStep step;
  step.kind = dv::EditStep::Kind::TimeShift;
  step.files = kTlmBit | kCrdBit;
  step.stateBefore = ModifiedBits();
  step.crd = dv::ShiftTimesWithDelta(flight_->Points.CrdPoints, 1, *seconds);
  step.tu = dv::ShiftTimesWithDelta(flight_->Points.TuPoints, 1, *seconds);
  Record(std::move(step));
  SetTLMModified(true);
  SetCRDModified(true);
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
  else if (page == tsWind) chart = ChrtWind;
  else if (page == tsDiagram) chart = ChrtDiagram;
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
  else NoteWritten(PathFromQt(*file));
}
