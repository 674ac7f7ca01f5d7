// Copying the flight out: the station files under the UTC launch time, and the
// processing program's work files with the program started on them.

#include <QAction>
#include <QLineEdit>
#include <cmath>

#include "about/AboutBox.h"
#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "export/Export.h"
#include "export/ProcessStarter.h"
#include "flight/Flight.h"
#include "flight/Saving.h"

namespace {
// Everything that can refuse is asked before the first file is written: a set
// stopped half-way by a typed value is no set at all. The refusal is the
// writer's own (its message; for a field also its page and focus).
std::optional<dv::SaveOutcome> ExportRefusal(TfmMainFrm& w, dv::Flight& flight, bool infoOnly) {
  const dv::InfoFieldTexts info{InfoTextFromQt(w.edtP0->text()), InfoTextFromQt(w.edtD0->text()),
                                InfoTextFromQt(w.edtV0->text()), InfoTextFromQt(w.edtClouds->text()),
                                InfoTextFromQt(w.edtRaRa->text())};
  if (auto refused = dv::TakeInfoFields(info, flight.Info)) return dv::SaveOutcome::Refuse(*refused);
  if (infoOnly) return std::nullopt;
  if (flight.Points.TuPoints.Count() == 0) return dv::SaveOutcome{dv::SaveStatus::Failed, {}, dv::kNoTuPoints};
  if (w.edtT0->isModified() || w.edtU0->isModified()) {
    const dv::TuFieldTexts tu{InfoTextFromQt(w.edtT0->text()), InfoTextFromQt(w.edtU0->text()), true};
    if (auto refused = dv::TakeTuFields(tu, flight.Info)) return dv::SaveOutcome::Refuse(*refused);
  }
  if (flight.Points.CrdPoints.Count() == 0) return dv::SaveOutcome{dv::SaveStatus::Failed, {}, dv::kNoCrdPoints};
  if (w.edtSR0->isModified() || w.edtAz0->isModified() || w.edtEl0->isModified()) {
    const dv::CrdFieldTexts crd{InfoTextFromQt(w.edtSR0->text()), InfoTextFromQt(w.edtAz0->text()),
                                InfoTextFromQt(w.edtEl0->text()), true};
    if (auto refused = dv::TakeCrdFields(crd, flight.Info)) return dv::SaveOutcome::Refuse(*refused);
  }
  return std::nullopt;
}
}  // namespace

void TfmMainFrm::mniSaveEOLClick() {
  // Cancel answers nothing: nothing is written.
  const std::optional<QString> answer = dialogs_->inputText(
      QString::fromUtf8(dv::kZoneCaption), QString::fromUtf8(dv::kZonePrompt), QStringLiteral("0"));
  if (!answer) return;
  const auto zone = dv::ParseZoneHours(answer->toStdString());
  if (!zone) {
    dialogs_->message(QString::fromUtf8(dv::kNotUnderstood));
    return;
  }
  if (!dv::ZoneHoursAllowed(*zone)) return;
  dv::InitialData& info = flight_->Info;
  const auto base = dv::ExportBase(flight_->StartDir, info, *zone);
  if (!base) return;
  if (const auto refusal = ExportRefusal(*this, *flight_, *zone == 0)) {
    FinishSave(*refusal, &TfmMainFrm::SetInfoModified);
    return;
  }

  // With no shift only the .info is copied. The flight's own files are retired
  // only once the whole set of three stands under the export name; a failure
  // takes back what this export made and leaves the flight as it was.
  const dv::ExportFiles files = dv::PlanExport(*base, flight_->FlightBase, flight_->InfoName);
  const bool modified[] = {InfoModified, TLMModified, CRDModified};
  const bool written = [&] {
    bool saved;
    if (*zone == 0) {
      // The station files carry the longitude negative; with no shift the writer
      // would not, so it is negated for this write alone.
      const float longitude = info.StationLongitude;
      info.StationLongitude = -std::fabs(longitude);
      saved = SaveInfo(*base + ".info", true, 0);
      info.StationLongitude = longitude;
    } else {
      saved = SaveInfo(*base + ".info", true, *zone);
    }
    if (!saved) return false;
    dialogs_->message(QString::fromUtf8(dv::kInfoCopied));
    if (*zone == 0) return true;
    if (!SaveTu(*base + ".tu", true)) return false;
    dialogs_->message(QString::fromUtf8(dv::kTuCopied));
    if (!SaveCrd(*base + ".crd", true)) return false;
    dialogs_->message(QString::fromUtf8(dv::kCrdCopied));
    return true;
  }();
  if (written) {
    // An .info alone is no set: the flight keeps its own files beside it.
    if (*zone != 0) dv::RetireOwnFiles(files);
    return;
  }
  dv::UndoExport(files);
  // Nothing of the edits stands anywhere but in memory: closing must still ask.
  SetInfoModified(modified[0]);
  SetTLMModified(modified[1]);
  SetCRDModified(modified[2]);
}

void TfmMainFrm::mniSaveRunClick() {
  int result = 0;
  const std::string work = dv::WorkBase(PathFromQt(ProcessingTemp), flight_->FlightBase);
  if (SaveInfo(work + ".info", false, 0)) {
    dialogs_->message(QString::fromUtf8(dv::kInfoCopied));
    if (SaveTu(work + ".tu", false)) {
      dialogs_->message(QString::fromUtf8(dv::kTuCopied));
      if (SaveCrd(work + ".crd", false)) {
        dialogs_->message(QString::fromUtf8(dv::kCrdCopied));
        result = StartProcessing(ProcessingExe, PathToQt(work) + QStringLiteral(".*"), ProcessingTemp);
      }
    }
  }
  if (result <= 32) dialogs_->message(QStringLiteral("Не получилось:(!\nОшибка") + QString::number(result));
}

void TfmMainFrm::AboutClick() {
  TAboutBox box(*dialogs_, this);
  box.exec();
}
