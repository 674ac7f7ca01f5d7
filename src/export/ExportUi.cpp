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

void TfmMainFrm::mniSaveEOLClick() {
  // Cancel gives the initial text back, so it counts as 0.
  const QString answer = dialogs_->inputText(QString::fromUtf8(dv::kZoneCaption), QString::fromUtf8(dv::kZonePrompt),
                                             QStringLiteral("0"))
                             .value_or(QStringLiteral("0"));
  const auto zone = dv::ParseZoneHours(answer.toStdString());
  if (!zone) {
    dialogs_->message(QString::fromUtf8(dv::kNotUnderstood));
    return;
  }
  if (!dv::ZoneHoursAllowed(*zone)) return;
  dv::InitialData& info = flight_->Info;
  const auto base = dv::ExportBase(flight_->StartDir, info, *zone);
  if (!base) return;

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
  if (!saved) return;
  dialogs_->message(QString::fromUtf8(dv::kInfoCopied));
  if (*zone == 0) return;
  if (!SaveTu(*base + ".tu", true)) return;
  dialogs_->message(QString::fromUtf8(dv::kTuCopied));
  if (SaveCrd(*base + ".crd", true)) dialogs_->message(QString::fromUtf8(dv::kCrdCopied));
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
