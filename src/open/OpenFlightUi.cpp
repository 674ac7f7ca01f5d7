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
#include "open/FlightLoad.h"
#include "diagram/DiagramChart.h"
#include "thermo/LevelsPage.h"
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
  for (TChart* chart : {ChrtTLM, ChrtCRD, ChrtXY, ChrtDiagram}) chart->UndoZoom();
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
  SyncShownInfo();
  products_->Changed(dv::FlightChange::Opened());
  ShowFindings();  // nothing to find in an empty flight
  if (wind_) wind_->Clear();
  if (levels_) levels_->Clear();
  if (diagram_) diagram_->Clear();
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

void TfmMainFrm::CheckTimeOrder(const dv::FlightLoad& load) {
  if (const auto t = load.tuTimeFailure) {
    const QString time = QString::fromStdString(dv::FormatFixed(*t, 0, 2));
    dialogs_->message(QString::fromUtf8(dv::kTuTimeFailure) + time);
    lblTLMdtime->setText(time);
    idTLMTime->setEnabled(true);
  }
  if (const auto t = load.crdTimeFailure) {
    const QString time = QString::fromStdString(dv::FormatFixed(*t, 0, 2));
    dialogs_->message(QString::fromUtf8(dv::kCrdTimeFailure) + time);
    lblCRDdtime->setText(time);
    idCRDTime->setEnabled(true);
  }
  // Points flagged on reading are lost by the next save: closing must ask.
  if (load.flaggedTelemetry) TLMModified = true;
}

bool TfmMainFrm::OpenFlight(const QString& fileName) {
  const QFileInfo chosen(fileName);
  if (chosen.fileName().contains(QStringLiteral(".org"))) {
    dialogs_->message(QStringLiteral("Оригинальные файлы править нельзя!"));
    return false;
  }
  BusyCursor busy;
  ClearFlightView();
  if (LoadFlight(fileName)) {
    RememberOpened(fileName);
    return true;
  }
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
  SetTitle(QStringLiteral("Devirarav"));
  UpdateStatus();
  // "Сдвиг" stays as it was: once a flight had points it is there for the run.
  idSave->setEnabled(false);
  mniSaveRun->setEnabled(false);
}

bool TfmMainFrm::LoadFlight(const QString& fileName) {
  dv::Flight& f = *flight_;
  const std::string name = PathFromQt(fileName);
  dv::LoadOptions options;
  options.keepBytes = true;
  options.orgInfoOverPrevious = true;
  dv::FlightLoad load = dv::LoadFlightFiles(name, f, options);
  // What the reading found, in the order it found it; the first failure ends the open.
  auto show = [this](const std::vector<std::string>& messages) {
    for (const std::string& m : messages) dialogs_->message(QString::fromUtf8(m));
  };
  const auto failed = [this](const dv::FileState& file) {
    if (!file.failed()) return false;
    dialogs_->error(QString::fromUtf8(file.error));
    return true;
  };
  if (load.info.exists && !load.info.regular) {
    failed(load.info);
    return false;
  }
  FillInfoFields(load.infoRead.fieldTexts);
  show(load.infoRead.messages);
  if (!load.info.read) return false;
  if (load.orgInfo.exists && !load.orgInfo.regular) {
    failed(load.orgInfo);
    return false;
  }
  if (load.orgInfo.exists) {
    show(load.orgInfoRead.messages);
    if (!load.orgInfo.read) return false;
    HighlightChangedFields();
  }
  SetTitle(QStringLiteral("Devirarav:") + QString::number(f.Info.StationSynopticIndex) + QLatin1Char('-') +
           PathToQt(dv::NameWithoutExt(name)));

  if (!load.tu.exists) dialogs_->message(PathToQt(load.tu.path) + kMissing);
  if (failed(load.tu)) return false;
  if (load.tu.read) {
    lbxTLM->LoadLines(std::move(load.tuBytes));
    if (f.Points.TuPoints.Count() > 0) {
      edtT0->setText(QString::fromStdString(dv::FormatFixed(f.Points.TuPoints[0].T, 0, 2)));
      edtU0->setText(QString::fromStdString(dv::FormatFixed(f.Points.TuPoints[0].U, 0, 2)));
    }
  }
  if (!load.crd.exists) dialogs_->message(PathToQt(load.crd.path) + kMissing);
  if (failed(load.crd)) return false;
  if (load.crd.read) {
    lbxCRD->LoadLines(std::move(load.crdBytes));
    if (f.Points.CrdPoints.Count() > 0) {
      const dv::CrdPoint& p0 = f.Points.CrdPoints[0];
      edtSR0->setText(QString::fromStdString(dv::FormatFixed(p0.SR, 0, 2)));
      edtAz0->setText(QString::fromStdString(dv::FormatFixed(p0.Az, 0, 6)));
      edtEl0->setText(QString::fromStdString(dv::FormatFixed(p0.El, 0, 6)));
    }
  }
  if (failed(load.orgCrd)) return false;
  charts_->SetCrdOriginalsActive(load.orgCrd.read);
  if (load.crdShorter) dialogs_->message(ShorterOriginalMessage());
  if (failed(load.orgTu)) return false;
  charts_->SetTlmOriginalsActive(load.orgTu.read);
  if (load.tuShorter) dialogs_->message(ShorterOriginalMessage());
  CheckTimeOrder(load);
  if (load.viewOnly()) SetViewOnly(true);

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
  FlightChanged(dv::FlightChange::Opened());
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
