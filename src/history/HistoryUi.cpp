// Undo, redo and the list of this opening's edits, on the main window.

#include <QAction>
#include <QCheckBox>
#include <algorithm>
#include <climits>
#include <QLabel>
#include <QLineEdit>

#include "app/MainWindow.h"
#include "app/UserDialogs.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"

std::uint32_t TfmMainFrm::ModifiedBits() const {
  return (InfoModified ? kInfoBit : 0) | (TLMModified ? kTlmBit : 0) | (CRDModified ? kCrdBit : 0) |
         (cbxInfoMod->isChecked() ? kInfoBox : 0) | (cbxTLMMod->isChecked() ? kTlmBox : 0) |
         (cbxCRDMod->isChecked() ? kCrdBox : 0);
}

void TfmMainFrm::PushStep(dv::EditStep step) {
  history_.Push(std::move(step));
  UpdateUndoCommands();
  RecomputeFindings();  // every edit goes through here
  if (history_.Steps().back().files & kCrdBit) RefreshWind(false);
}

void TfmMainFrm::UpdateUndoCommands() {
  const dv::EditStep* undo = ViewOnly ? nullptr : history_.NextUndo();
  const dv::EditStep* redo = ViewOnly ? nullptr : history_.NextRedo();
  idUndo->setText(undo ? QStringLiteral("Отменить: ") + QString::fromStdString(dv::DescribeStep(*undo))
                       : QStringLiteral("Отменить"));
  idRedo->setText(redo ? QStringLiteral("Повторить: ") + QString::fromStdString(dv::DescribeStep(*redo))
                       : QStringLiteral("Повторить"));
  idUndo->setEnabled(undo != nullptr);
  idRedo->setEnabled(redo != nullptr);
}

void TfmMainFrm::ApplyStep(const dv::EditStep& step, bool undo) {
  using Kind = dv::EditStep::Kind;
  auto& points = flight_->Points;
  if (undo) dv::UndoStep(step, points);
  else dv::RedoStep(step, points);

  switch (step.kind) {
    case Kind::ToggleTelemetry:
      charts_->RecolourTelemetry(points.TuPoints, step.range.StartRow, step.range.EndRow);
      charts_->ClearTrajectoryHighlight();
      HighlightTrajectoryRange();
      break;
    case Kind::ToggleCoordinates:
      charts_->RecolourCoordinates(points.CrdPoints, step.range.StartRow, step.range.EndRow);
      HighlightTrajectoryRange();
      break;
    case Kind::CorrectTelemetryTime:
      RefillTelemetryCharts();
      // The correction's label and command as they were before it, or as it left them.
      lblTLMdtime->setText(undo ? QString::fromStdString(step.oldText) : QString());
      idTLMTime->setEnabled(undo && step.extra != 0);
      break;
    case Kind::CorrectCoordinateTime:
      RefillCoordinateCharts();
      HighlightTrajectoryRange();
      lblCRDdtime->setText(undo ? QString::fromStdString(step.oldText) : QString());
      idCRDTime->setEnabled(undo && step.extra != 0);
      break;
    case Kind::TimeShift:
      RefillTelemetryCharts();
      RefillCoordinateCharts();
      break;
    case Kind::SetFlags: {
      int tu[2] = {INT_MAX, -1}, crd[2] = {INT_MAX, -1};
      for (const dv::FlagChange& c : step.flags) {
        int* r = c.crd ? crd : tu;
        r[0] = std::min(r[0], c.row);
        r[1] = std::max(r[1], c.row);
      }
      if (tu[1] >= 0) {
        charts_->RecolourTelemetry(points.TuPoints, tu[0], tu[1]);
        charts_->ClearTrajectoryHighlight();
      }
      if (crd[1] >= 0) charts_->RecolourCoordinates(points.CrdPoints, crd[0], crd[1]);
      HighlightTrajectoryRange();
      break;
    }
    case Kind::Field:
      if (QLineEdit* field = findChild<QLineEdit*>(QString::fromStdString(step.field))) {
        field->setText(QString::fromStdString(undo ? step.oldText : step.newText));  // unmodified again
        if (undo) SetFieldColour(field, step.extra);
        else SetFieldColour(field, fieldcolour::kWindow);
        entered_[field] = FieldEntry{field->text(), FieldColour(field), ModifiedBits()};
      }
      break;
  }
  // The modified flags of the step's files: as before it (set when the file was
  // saved since), or set as the edit set them.
  const auto restore = [&](std::uint32_t bit, std::uint32_t box, bool& flag, QCheckBox* check) {
    if (!(step.files & bit)) return;
    flag = undo ? (step.stateBefore & bit) != 0 : true;
    check->setChecked(undo ? (step.stateBefore & box) != 0 : true);
  };
  restore(kInfoBit, kInfoBox, InfoModified, cbxInfoMod);
  restore(kTlmBit, kTlmBox, TLMModified, cbxTLMMod);
  restore(kCrdBit, kCrdBox, CRDModified, cbxCRDMod);
  // Only the listings whose rows changed are repainted.
  if (step.kind != Kind::Field && (step.files & kTlmBit)) lbxTLM->viewport()->update();
  if (step.kind != Kind::Field && (step.files & kCrdBit)) lbxCRD->viewport()->update();
  UpdateUndoCommands();
  RecomputeFindings();
  if (step.files & kCrdBit) RefreshWind(false);
}

void TfmMainFrm::idUndoClick() {
  if (ViewOnly || !history_.CanUndo()) return;
  ApplyStep(history_.StepBack(), true);
}

void TfmMainFrm::idRedoClick() {
  if (ViewOnly || !history_.CanRedo()) return;
  ApplyStep(history_.StepForward(), false);
}

void TfmMainFrm::idHistoryClick() {
  // Line 0 is the flight as opened; line k the state after step k.
  QStringList items{QStringLiteral("0. Открыт")};
  const auto& steps = history_.Steps();
  for (std::size_t k = 0; k < steps.size(); ++k) {
    items << QStringLiteral("%1. %2%3")
                 .arg(k + 1)
                 .arg(QString::fromStdString(dv::DescribeStep(steps[k])))
                 .arg(k + 1 > history_.Position() ? QStringLiteral(" (отменено)") : QString());
  }
  const int current = static_cast<int>(history_.Position());
  items[current] += QStringLiteral("  ◄");
  const auto chosen = dialogs_->chooseItem(QStringLiteral("История"), QStringLiteral("Вернуться к состоянию:"),
                                           items, current);
  if (!chosen || ViewOnly) return;
  while (static_cast<int>(history_.Position()) > *chosen && history_.CanUndo()) ApplyStep(history_.StepBack(), true);
  while (static_cast<int>(history_.Position()) < *chosen && history_.CanRedo())
    ApplyStep(history_.StepForward(), false);
}
