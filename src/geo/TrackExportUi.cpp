// "Экспорт траектории": the flight as KML, GPX or CSV for maps and spreadsheets.

#include <QAction>
#include <QFileInfo>

#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "export/Export.h"
#include "flight/Saving.h"
#include "geo/TrackExport.h"

void TfmMainFrm::idExportTrackClick() {
  if (flight_->FlightBase.empty() || flight_->Points.CrdPoints.Count() + flight_->Points.TuPoints.Count() == 0) return;
  const auto file = dialogs_->chooseSaveFile(
      QStringLiteral("Экспорт траектории"),
      QStringLiteral("Траектория KML (*.kml);;Трек GPX (*.gpx);;Таблица CSV (*.csv)"),
      PathToQt(dv::TrackFileName(flight_->FlightBase, "kml")));
  if (!file) return;
  const std::string path = PathFromQt(*file);
  // The processing program takes every NAME.* beside the flight.
  if (dv::WouldBeTakenAsFlight(path, flight_->FlightBase)) {
    dialogs_->message(QString::fromUtf8(dv::kTakenAsFlight) + *file);
    return;
  }
  const QString suffix = QFileInfo(*file).suffix().toLower();
  const dv::InitialData& info = flight_->Info;
  const auto track = products_->Track();
  const std::string name = dv::NameWithoutExt(flight_->InfoName);
  std::string bytes;
  if (suffix == QStringLiteral("csv")) {
    bytes = dv::FormatTrackCsv(track);
  } else {
    if (!dv::StationKnown(info)) {
      dialogs_->message(QString::fromUtf8(dv::kNoStationPosition));
      return;
    }
    if (dv::PositionCount(track) == 0) {
      dialogs_->message(QString::fromUtf8(dv::kNoTrackPositions));
      return;
    }
    if (suffix == QStringLiteral("gpx")) {
      // The launch in UTC: the local start less the station's zone.
      const auto answer = dialogs_->inputText(QString::fromUtf8(dv::kZoneCaption), QString::fromUtf8(dv::kZonePrompt),
                                              QStringLiteral("0"));
      if (!answer) return;
      const auto zone = dv::ParseZoneHours(answer->toStdString());
      const auto start = info.StartTime();
      if (!zone || !dv::ZoneHoursAllowed(*zone) || !start) {
        dialogs_->message(QString::fromUtf8(dv::kNotUnderstood));
        return;
      }
      bytes = dv::FormatTrackGpx(track, name, dv::AddSeconds(*start, -3600LL * *zone));
    } else {
      bytes = dv::FormatTrackKml(track, name);
    }
  }
  if (!dv::WriteFileAtomic(path, bytes)) dialogs_->message(QString::fromUtf8(dv::kSaveError) + QLatin1Char('\n') + *file);
  else NoteWritten(path);
}
