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

void TfmMainFrm::Record(dv::EditStep step) {
  const dv::FlightChange change = dv::ChangeOf(step);
  history_.Push(std::move(step));
  FlightChanged(change);
}

void TfmMainFrm::FlightChanged(const dv::FlightChange& change) {
  if (change.info || change.opened) SyncShownInfo();
  products_->Changed(change);
  const dv::FlightPoints& points = flight_->Points;
  if (!change.opened) {
    // New times move points along the time axis: the file's series are filled
    // again; new flags only recolour their rows. The trajectory loses its
    // highlight with the telemetry, and takes it again unless the times moved.
    if (change.tu) {
      if (change.tuFirst < 0) charts_->RefillTelemetry(points);
      else charts_->RecolourTelemetry(points.TuPoints, change.tuFirst, change.tuLast);
      charts_->ClearTrajectoryHighlight();
    }
    if (change.crd) {
      if (change.crdFirst < 0) charts_->RefillCoordinates(points);
      else charts_->RecolourCoordinates(points.CrdPoints, change.crdFirst, change.crdLast);
    }
    if ((change.tu || change.crd) && !(change.tu && change.tuFirst < 0)) HighlightTrajectoryRange();
    // Only the listings whose rows changed are repainted.
    if (change.tu) lbxTLM->viewport()->update();
    if (change.crd) lbxCRD->viewport()->update();
  }
  UpdateUndoCommands();
  ShowFindings();
  if (change.crd || change.opened) RefreshWindPage(false);
  if (change.tu || change.crd || change.info || change.opened) {
    RefreshLevelsPage();
    RefreshDiagramPage(false);
  }
  UpdateStatus();
  UpdateTitleMark();
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
  dv::FlightPoints& points = flight_->Points;
  if (undo) dv::UndoStep(step, points);
  else dv::RedoStep(step, points);

  // What only the window keeps of a step; the points' part follows FlightChanged.
  switch (step.kind) {
    case Kind::CorrectTelemetryTime:
      // The correction's label and command as they were before it, or as it left them.
      lblTLMdtime->setText(undo ? QString::fromStdString(step.oldText) : QString());
      idTLMTime->setEnabled(undo && step.extra != 0);
      break;
    case Kind::CorrectCoordinateTime:
      lblCRDdtime->setText(undo ? QString::fromStdString(step.oldText) : QString());
      idCRDTime->setEnabled(undo && step.extra != 0);
      break;
    case Kind::Field:
      if (QLineEdit* field = findChild<QLineEdit*>(QString::fromStdString(step.field))) {
        field->setText(QString::fromStdString(undo ? step.oldText : step.newText));  // unmodified again
        if (undo) SetFieldColour(field, step.extra);
        else SetFieldColour(field, fieldcolour::kWindow);
        entered_[field] = FieldEntry{field->text(), FieldColour(field), ModifiedBits()};
      }
      break;
    default:
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
  FlightChanged(dv::ChangeOf(step));
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
