// Opening a flight: choosing it, loading its files and originals, the checks
// made on the way, and the save commands that end by opening it again.

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "common/FileIO.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"
#include "flight/PointFiles.h"
#include "open/Checks.h"
#include "wind/WindChart.h"

namespace {
const QString kMissing = QStringLiteral(" отсутствует!");
}  // namespace

void TfmMainFrm::OpenClick() {
  if (!AskToSave()) return;
  UserDialogs::OpenFileRequest request;
  request.title = QStringLiteral("Выбор выпуска");
  request.filter = QStringLiteral("Файл начальных данных (*.info)");
  request.initialFolder = PathToQt(flight_->StartDir);
  request.initialFileName = openDialogFileName_;
  const std::optional<QString> chosen = dialogs_->chooseOpenFile(request);
  if (!chosen) return;
  // The dialog remembers the last file chosen, whether or not it then opens.
  openDialogFileName_ = *chosen;
  openDialogFolder_ = QFileInfo(*chosen).absolutePath();
  if (QFileInfo(*chosen).suffix().toLower() != QStringLiteral("info")) return;
  OpenFlight(*chosen);
}

void TfmMainFrm::ReOpenClick() { OpenFlight(PathToQt(flight_->InfoName)); }

void TfmMainFrm::ClearFlightView() {
  TLMRange.Clear();
  CRDRange.Clear();
  lbxTLM->Clear();
  lbxCRD->Clear();
  flight_->Points.TuPoints.Clear();
  flight_->Points.CrdPoints.Clear();
  for (QLineEdit* e : {edtP0, edtT0, edtU0, edtD0, edtV0, edtClouds}) {
    SetFieldColour(e, fieldcolour::kMenu);
    e->setText(QString());  // also marks the field unchanged
  }
  for (TChart* chart : {ChrtTLM, ChrtCRD, ChrtXY}) chart->UndoZoom();
  SetInfoModified(false);
  SetTLMModified(false);
  SetCRDModified(false);
  charts_->ClearCharts();
  history_.Clear();  // every opening starts its own history
  entered_.clear();
  UpdateUndoCommands();
  for (QAction* a : {idTLMTime, idCRDTime, idReOpen, idSaveInfo, idSaveTLM, idSaveCRD}) a->setEnabled(false);
  lblTLMdtime->clear();
  lblCRDdtime->clear();
  SetViewOnly(false);
  RecomputeFindings();  // nothing to find in an empty flight
  if (wind_) wind_->Clear();
}

QLineEdit* TfmMainFrm::FieldByName(const std::string& name) const {
  return name.empty() ? nullptr : findChild<QLineEdit*>(QString::fromStdString(name));
}

void TfmMainFrm::FillInfoFields(const std::vector<std::pair<std::string, std::string>>& texts) {
  for (const auto& [key, value] : texts) {
    for (const dv::InfoKey& k : dv::InfoKeys()) {
      if (key != k.key) continue;
      if (QLineEdit* field = FieldByName(k.editField)) field->setText(InfoTextToQt(value));
    }
  }
}

void TfmMainFrm::HighlightChangedFields() {
  for (const std::string& name : dv::ChangedInfoFields(flight_->Info, flight_->OrgInfo))
    if (QLineEdit* field = FieldByName(name)) SetFieldColour(field, fieldcolour::kAqua);
}

namespace {
// Two lines; Qt's message boxes break lines at "\n" only.
QString ShorterOriginalMessage() {
  return QString::fromUtf8(dv::kShorterOriginal) + QLatin1Char('\n') + QString::fromUtf8(dv::kViewOnly);
}
}  // namespace

bool TfmMainFrm::LoadOrgCrd(const std::string& fileName) {
  dv::ReadCrd(fileName, flight_->Points.CrdOrgPoints);  // a reading error ends the whole open
  charts_->SetCrdOriginalsActive(true);
  if (flight_->Points.CrdOrgPoints.Count() < flight_->Points.CrdPoints.Count()) {
    dialogs_->message(ShorterOriginalMessage());
    return false;
  }
  return true;
}

bool TfmMainFrm::LoadOrgTu(const std::string& fileName) {
  dv::ReadTu(fileName, flight_->Points.TuOrgPoints);
  charts_->SetTlmOriginalsActive(true);
  if (flight_->Points.TuOrgPoints.Count() < flight_->Points.TuPoints.Count()) {
    dialogs_->message(ShorterOriginalMessage());
    return false;
  }
  return true;
}

void TfmMainFrm::CheckTimeOrder() {
  if (const auto t = dv::FirstTimeFailure(flight_->Points.TuPoints)) {
    const QString time = QString::fromStdString(dv::FormatFixed(*t, 0, 2));
    dialogs_->message(QString::fromUtf8(dv::kTuTimeFailure) + time);
    lblTLMdtime->setText(time);
    idTLMTime->setEnabled(true);
  }
  if (const auto t = dv::FirstTimeFailure(flight_->Points.CrdPoints)) {
    const QString time = QString::fromStdString(dv::FormatFixed(*t, 0, 2));
    dialogs_->message(QString::fromUtf8(dv::kCrdTimeFailure) + time);
    lblCRDdtime->setText(time);
    idCRDTime->setEnabled(true);
  }
  // Points flagged on reading are lost by the next save: closing must ask.
  if (dv::HasFlaggedTelemetry(flight_->Points.TuPoints)) TLMModified = true;
}

bool TfmMainFrm::OpenFlight(const QString& fileName) {
  const QFileInfo chosen(fileName);
  if (chosen.fileName().contains(QStringLiteral(".org"))) {
    dialogs_->message(QStringLiteral("Оригинальные файлы править нельзя!"));
    return false;
  }
  BusyCursor busy;
  ClearFlightView();
  if (LoadFlight(fileName)) return true;
  ClearFailedOpen();
  return false;
}

void TfmMainFrm::ClearFailedOpen() {
  // A flight that did not open leaves nothing of itself, or of the one before, in
  // the window: no name in the title, no lines, points, fields or save commands.
  ClearFlightView();
  dv::Flight& f = *flight_;
  f.FlightBase.clear();
  f.InfoName.clear();
  f.InfoAsOpened.clear();
  f.Info.Reset();
  f.OrgInfo = f.Info;
  f.Points.TuOrgPoints.Clear();
  f.Points.CrdOrgPoints.Clear();
  charts_->SetTlmOriginalsActive(false);
  charts_->SetCrdOriginalsActive(false);
  for (QLineEdit* e : tsInfo->findChildren<QLineEdit*>()) {
    SetFieldColour(e, fieldcolour::kMenu);
    e->setText(QString());
  }
  setWindowTitle(QStringLiteral("Devirarav"));
  // "Сдвиг" stays as it was: once a flight had points it is there for the run.
  idSave->setEnabled(false);
  mniSaveRun->setEnabled(false);
}

bool TfmMainFrm::LoadFlight(const QString& fileName) {
  dv::Flight& f = *flight_;
  const std::string name = PathFromQt(fileName);
  f.FlightBase = dv::ChangeFileExtToNone(name);
  f.InfoName = name;
  f.StartDir = dv::ExtractFilePath(name);
  auto show = [this](const std::vector<std::string>& messages) {
    for (const std::string& m : messages) dialogs_->message(QString::fromUtf8(m));
  };

  // A FIFO or a device under the name would hang or mislead the reader: refused by name.
  const auto notAFile = [this](const std::string& file) {
    if (!dv::FileExists(file) || dv::IsRegularFile(file)) return false;
    dialogs_->error(QString::fromUtf8(dv::kNotAFile) + PathToQt(file));
    return true;
  };
  if (notAFile(name)) return false;
  const dv::InfoReadResult info = dv::ReadInfo(name, true, f.Info, &f.InfoAsOpened);
  FillInfoFields(info.fieldTexts);
  show(info.messages);
  if (!info.ok) return false;

  const std::string orgInfo = f.FlightBase + ".org.info";
  if (notAFile(orgInfo)) return false;
  if (dv::FileExists(orgInfo)) {
    // Fields the original lacks keep their values, but its unknown lines are its
    // own: without this they would pile up, one set per open.
    f.OrgInfo.ExtraLines.clear();
    const dv::InfoReadResult org = dv::ReadInfo(orgInfo, false, f.OrgInfo);
    show(org.messages);
    if (!org.ok) return false;
    HighlightChangedFields();
  } else {
    f.OrgInfo = f.Info;
  }
  setWindowTitle(QStringLiteral("Devirarav:") + QString::number(f.Info.StationSynopticIndex) +
                 QLatin1Char('-') + PathToQt(dv::NameWithoutExt(name)));

  // A reader error ends the open where it happens, with the reader's own text.
  try {
    const std::string tu = f.FlightBase + ".tu";
    if (!dv::FileExists(tu)) {
      dialogs_->message(PathToQt(tu) + kMissing);
    } else {
      std::string bytes;
      dv::ReadTu(tu, f.Points.TuPoints, bytes);
      lbxTLM->LoadLines(std::move(bytes));
      if (f.Points.TuPoints.Count() > 0) {
        edtT0->setText(QString::fromStdString(dv::FormatFixed(f.Points.TuPoints[0].T, 0, 2)));
        edtU0->setText(QString::fromStdString(dv::FormatFixed(f.Points.TuPoints[0].U, 0, 2)));
      }
    }
    const std::string crd = f.FlightBase + ".crd";
    if (!dv::FileExists(crd)) {
      dialogs_->message(PathToQt(crd) + kMissing);
    } else {
      std::string bytes;
      dv::ReadCrd(crd, f.Points.CrdPoints, bytes);
      lbxCRD->LoadLines(std::move(bytes));
      if (f.Points.CrdPoints.Count() > 0) {
        const dv::CrdPoint& p0 = f.Points.CrdPoints[0];
        edtSR0->setText(QString::fromStdString(dv::FormatFixed(p0.SR, 0, 2)));
        edtAz0->setText(QString::fromStdString(dv::FormatFixed(p0.Az, 0, 6)));
        edtEl0->setText(QString::fromStdString(dv::FormatFixed(p0.El, 0, 6)));
      }
    }

    bool complete = true;
    charts_->SetCrdOriginalsActive(false);
    f.Points.CrdOrgPoints.Clear();
    if (dv::FileExists(f.FlightBase + ".org.crd")) complete &= LoadOrgCrd(f.FlightBase + ".org.crd");
    if (f.Points.CrdOrgPoints.Count() == 0) f.Points.CrdOrgPoints.Assign(f.Points.CrdPoints);

    charts_->SetTlmOriginalsActive(false);
    f.Points.TuOrgPoints.Clear();
    if (dv::FileExists(f.FlightBase + ".org.tu")) complete &= LoadOrgTu(f.FlightBase + ".org.tu");
    if (f.Points.TuOrgPoints.Count() == 0) f.Points.TuOrgPoints.Assign(f.Points.TuPoints);

    CheckTimeOrder();
    if (!complete) SetViewOnly(true);
  } catch (const dv::FileReadError& e) {
    dialogs_->error(QString::fromUtf8(e.what()));
    return false;
  }

  if (f.Points.TuPoints.Count() > 0 || f.Points.CrdPoints.Count() > 0) {
    charts_->FillCharts(f.Points);
    timeShiftEverEnabled_ = true;
    for (QAction* a : {idReOpen, idSaveInfo, idSaveTLM, idSaveCRD, idTimeShift}) a->setEnabled(true);
  }
  idReOpen->setEnabled(true);
  idSave->setEnabled(true);
  mniSaveRun->setEnabled(ProcessingAvailable);
  if (ViewOnly) SetViewOnly(true);  // withdraw again what the steps above enabled
  // A field that kept the focus through the open starts from its new text.
  if (auto* field = qobject_cast<QLineEdit*>(focusWidget())) FieldEnter(field);
  RecomputeFindings();
  RefreshWind(true);
  return true;
}

void TfmMainFrm::SetViewOnly(bool on) {
  ViewOnly = on;
  // What changes the points or the initial data, or writes the flight's files.
  for (QAction* a : {idSaveInfo, idSaveTLM, idSaveCRD, idSaveAll, mniSaveEOL, mniSaveRun, idMarkTLM,
                     idMarkCRD, idTLMTime, idCRDTime, idTimeShift, idRemoveFound}) {
    if (on) a->setEnabled(false);
  }
  if (!on) {
    for (QAction* a : {idSaveAll, mniSaveEOL, idMarkTLM, idMarkCRD}) a->setEnabled(true);
    idRemoveFound->setEnabled(checking_);
    idTimeShift->setEnabled(timeShiftEverEnabled_);
  }
  UpdateUndoCommands();
  for (QLineEdit* e : {edtP0, edtT0, edtU0, edtD0, edtV0, edtClouds, edtSR0, edtAz0, edtEl0})
    e->setReadOnly(on);
  edtRaRa->setReadOnly(on || raraLocked_);
  if (on) {
    // Nothing can be saved, so nothing is asked about on leaving.
    SetInfoModified(false);
    SetTLMModified(false);
    SetCRDModified(false);
  }
}

// ---------------------------------------------------------------- save commands

namespace {
struct SavePart {
  const char* ext;
  const char* nothing;  // no changes to save
  const char* saved;
};
const SavePart kInfoPart{".info", "Нет изменений INFO для сохранения!", "Данные INFO обновлены"};
const SavePart kTuPart{".tu", "Нет изменений TU для сохранения!", "Данные TU обновлены"};
const SavePart kCrdPart{".crd", "Нет изменений CRD для сохранения!", "Данные CRD обновлены"};

// One file of the flight over its own name, keeping the original: false only
// when its writer failed (and has said why).
bool SaveOwnFile(TfmMainFrm& w, const SavePart& part) {
  const bool info = &part == &kInfoPart;
  const bool tu = &part == &kTuPart;
  if (!(info ? w.InfoModified : tu ? w.TLMModified : w.CRDModified)) {
    w.dialogs().message(QString::fromUtf8(part.nothing));
    return true;
  }
  const std::string file = info ? w.flight().InfoName : w.flight().FlightBase + part.ext;
  const bool ok = info ? w.SaveInfo(file, true, 0) : tu ? w.SaveTu(file, true) : w.SaveCrd(file, true);
  if (ok) w.dialogs().message(QString::fromUtf8(part.saved));
  return ok;
}
}  // namespace

void TfmMainFrm::idSaveInfoClick() { SaveOwnFile(*this, kInfoPart); }

void TfmMainFrm::SaveTLMClick() {
  const bool wasModified = TLMModified;
  if (SaveOwnFile(*this, kTuPart) && wasModified) OpenFlight(PathToQt(flight_->InfoName));
}

void TfmMainFrm::SaveCRDClick() {
  const bool wasModified = CRDModified;
  if (SaveOwnFile(*this, kCrdPart) && wasModified) OpenFlight(PathToQt(flight_->InfoName));
}

void TfmMainFrm::idSaveAllClick() {
  // In this order; a failure ends the command without opening the flight again.
  for (const SavePart* part : {&kInfoPart, &kTuPart, &kCrdPart})
    if (!SaveOwnFile(*this, *part)) return;
  OpenFlight(PathToQt(flight_->InfoName));
}
