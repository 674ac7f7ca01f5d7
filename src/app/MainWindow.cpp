#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <cmath>
#include <functional>
#include <tuple>

#include "app/Configuration.h"
#include "app/ProfileFile.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "desktop/Desktop.h"
#include "flight/InfoFile.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "check/FindingMarks.h"
#include "diagram/DiagramChart.h"
#include "thermo/LevelsPage.h"
#include "wind/WindChart.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"

TfmMainFrm::TfmMainFrm(const MainFrmOptions& options)
    : flight_(options.flight),
      dialogs_(options.dialogs),
      shownInfo_(options.flight->Info),
      products_(std::make_unique<dv::FlightProducts>(options.flight->Points, shownInfo_, &options.flight->OrgInfo)),
      configFile_(options.configFile),
      configSeed_(options.configSeed) {
  Q_ASSERT(flight_ && dialogs_);
  if (configFile_.isEmpty())
    configFile_ = PathToQt(dv::ConfigFileName(PathFromQt(QCoreApplication::applicationFilePath())));
  SetTitle(QStringLiteral("Devirarav"));
  setMinimumSize(640, 480);
  resize(918, 573);
  BuildUi();
  BuildMenu();
  BuildDesktop();
  FormCreate(options.arguments);
}

TfmMainFrm::~TfmMainFrm() = default;

void TfmMainFrm::FormCreate(const QStringList& arguments) {
  // 1. Qt's file dialogs already start in the working folder when given none.
  // 2. The chart series.
  charts_ = std::make_unique<ArcCharts>();
  charts_->CreateChartSeries(ChrtTLM, ChrtCRD, ChrtXY);
  // 3. Clicks on the edited series select listing rows.
  connect(charts_.get(), &ArcCharts::tlmPointClicked, this, &TfmMainFrm::SelectTLMRow);
  connect(charts_.get(), &ArcCharts::crdPointClicked, this, &TfmMainFrm::SelectCRDRow);
  connect(ChrtTLM, &TChart::beforeDrawSeries, this, [this](QCPPainter* p) { ChartsBeforeDrawSeries(ChrtTLM, p); });
  connect(ChrtCRD, &TChart::beforeDrawSeries, this, [this](QCPPainter* p) { ChartsBeforeDrawSeries(ChrtCRD, p); });
  connect(ChrtCRD, &TChart::zoomed, this, &TfmMainFrm::ChrtCRDZoom);
  connect(ChrtCRD, &TChart::undoZoomed, this, &TfmMainFrm::ChrtCRDUndoZoom);

  // 4. The configuration, then the command-line rule. An installed program's
  // own file may not be there yet: the system-wide one is read instead.
  const std::string readable = dv::desktop::ReadableConfig(configLocation());
  dv::Configuration config = dv::ReadConfiguration(readable, flight_->StartDir);
  openDialogFolder_ = PathToQt(config.openDialogDir);
  openDialogFileName_ = PathToQt(config.openDialogFileName);
  ProcessingAvailable = config.processingAvailable;
  products_->SetThresholds(config.check);
  products_->SetWindSettings(dv::ReadWindSettings(readable));
  diagram_->SetWindUnit(dv::diagram::ReadWindUnit(readable));
  {
    dv::ProfileFile profile;
    profile.Load(readable);
    RestoreDesktop(profile);
  }
  {
    // The field shows whole seconds; the configured window holds until it is changed.
    const QSignalBlocker quiet(edtWindWindow);
    edtWindWindow->setValue(static_cast<int>(std::lround(products_->windSettings().window)));
  }
  ProcessingExe = PathToQt(config.processingExe);
  ProcessingTemp = PathToQt(config.processingTemp);
  std::vector<std::string> args;
  for (const QString& a : arguments) args.push_back(PathFromQt(a));
  dv::ApplyCommandLine(config, args);
  flight_->StartDir = config.startDir;
  if (!config.openAtStart.empty()) {
    // Once the window is up, so that what the open says stands over it.
    QTimer::singleShot(0, this, [this, file = PathToQt(config.openAtStart)] { OpenFlight(file); });
  }

  // 5. The radiosonde code set.
  if (!config.raraSetValid) {
    dialogs_->message(InfoTextToQt(config.raraSet) + QString::fromUtf8(dv::RaRaSetErrorMessage("")));
    raraLocked_ = true;
    edtRaRa->setReadOnly(true);
  }

  // 6.-8. Ranges, the key filters and the lists of unknown lines start empty with the window.
  TLMRange.Clear();
  CRDRange.Clear();
  InstallFieldHandlers();
  lbxTLM->SetPoints(&flight_->Points.TuPoints, nullptr);
  lbxCRD->SetPoints(nullptr, &flight_->Points.CrdPoints);
  connect(lbxTLM, &TListingView::userSelectionChanged, this, [this] { lbListingClick(lbxTLM); });
  connect(lbxCRD, &TListingView::userSelectionChanged, this, [this] { lbListingClick(lbxCRD); });

  // 9. Rows wider than the list scroll sideways: one and a half times the
  // listings' width as laid out at start (the window is not shown yet).
  lbxTLM->SetHorizontalExtent(kListingWidth * 3 / 2);
  lbxCRD->SetHorizontalExtent(kListingWidth * 3 / 2);
}

bool TfmMainFrm::IsReachable(const QAction* action) {
  if (!action || !action->isEnabled() || !action->isVisible()) return false;
  // Walk up the menus: an item under a disabled submenu cannot be reached.
  for (QObject* o = action->parent(); o; o = o->parent()) {
    if (auto* menu = qobject_cast<QMenu*>(o)) {
      if (!menu->isEnabled() || !menu->menuAction()->isEnabled()) return false;
    }
  }
  return true;
}

void TfmMainFrm::Bind(QAction* command, void (TfmMainFrm::*handler)()) {
  connect(command, &QAction::triggered, this, [this, command, handler] {
    if (IsReachable(command)) (this->*handler)();
  });
}

void TfmMainFrm::SetInfoModified(bool on) {
  InfoModified = on;
  cbxInfoMod->setChecked(on);
  UpdateTitleMark();
}

void TfmMainFrm::SetTLMModified(bool on) {
  TLMModified = on;
  cbxTLMMod->setChecked(on);
  UpdateTitleMark();
}

void TfmMainFrm::SetCRDModified(bool on) {
  CRDModified = on;
  cbxCRDMod->setChecked(on);
  UpdateTitleMark();
}

void TfmMainFrm::SyncShownInfo() {
  shownInfo_ = flight_->Info;
  dv::InitialData typed = flight_->Info;
  // A field that does not hold a valid value yet leaves the file's values in force.
  if (!dv::TakeInfoFields(InfoFields(), typed)) shownInfo_ = typed;
}

dv::InfoFieldTexts TfmMainFrm::InfoFields() const {
  return {InfoTextFromQt(edtP0->text()), InfoTextFromQt(edtD0->text()), InfoTextFromQt(edtV0->text()),
          InfoTextFromQt(edtClouds->text()), InfoTextFromQt(edtRaRa->text())};
}

dv::desktop::ConfigLocation TfmMainFrm::configLocation() const {
  return {PathFromQt(configFile_), PathFromQt(configSeed_), configSeed_.isEmpty()};
}

bool TfmMainFrm::FinishSave(const dv::SaveOutcome& outcome, void (TfmMainFrm::*clearFlag)(bool)) {
  switch (outcome.status) {
    case dv::SaveStatus::Saved:
      (this->*clearFlag)(false);
      return true;
    case dv::SaveStatus::Refused: {
      PageControlTU->setCurrentWidget(tsInfo);
      if (auto* field = findChild<QLineEdit*>(QString::fromStdString(outcome.field))) field->setFocus();
      dialogs_->message(QString::fromUtf8(dv::kInvalidValue));
      return false;
    }
    case dv::SaveStatus::Failed:
      dialogs_->message(QString::fromUtf8(outcome.message));
      return false;
  }
  return false;
}

bool TfmMainFrm::SaveInfo(const std::string& fileName, bool keepOriginal, int zoneHours) {
  if (ViewOnly) return false;  // a flight for viewing only is never written
  const dv::InfoFieldTexts fields = InfoFields();
  const bool saved = FinishSave(
      dv::SaveInfo(fileName, keepOriginal, zoneHours, flight_->FlightBase, fields, flight_->Info, flight_->InfoName,
                   &flight_->InfoAsOpened),
      &TfmMainFrm::SetInfoModified);
  if (saved) {
    history_.MarkSaved(kInfoBit | kInfoBox);  // an undo now makes memory differ from the file
    NoteWritten(fileName);
  }
  return saved;
}

bool TfmMainFrm::SaveTu(const std::string& fileName, bool keepOriginal) {
  if (ViewOnly) return false;
  const dv::TuFieldTexts fields{InfoTextFromQt(edtT0->text()), InfoTextFromQt(edtU0->text()),
                                edtT0->isModified() || edtU0->isModified()};
  const bool saved = FinishSave(dv::SaveTu(fileName, keepOriginal, flight_->FlightBase, fields, flight_->Info,
                                           flight_->Points.TuPoints, &lbxTLM->listModel()->Bytes()),
                                &TfmMainFrm::SetTLMModified);
  if (saved) NoteWritten(fileName);
  return saved;
}

bool TfmMainFrm::SaveCrd(const std::string& fileName, bool keepOriginal) {
  if (ViewOnly) return false;
  const dv::CrdFieldTexts fields{InfoTextFromQt(edtSR0->text()), InfoTextFromQt(edtAz0->text()),
                                 InfoTextFromQt(edtEl0->text()),
                                 edtSR0->isModified() || edtAz0->isModified() || edtEl0->isModified()};
  const bool saved = FinishSave(dv::SaveCrd(fileName, keepOriginal, flight_->FlightBase, fields, flight_->Info,
                                            flight_->Points.CrdPoints, &lbxCRD->listModel()->Bytes()),
                                &TfmMainFrm::SetCRDModified);
  if (saved) NoteWritten(fileName);
  return saved;
}

bool TfmMainFrm::AskToSave() {
  // With no flight open there is no file to save into: typing into a field
  // before the first open leaves nothing to ask about.
  if (flight_->FlightBase.empty()) return true;
  // Nothing of a flight for viewing only may be written, so there is nothing to ask.
  if (ViewOnly) return true;
  const std::string& base = flight_->FlightBase;
  auto saveInfo = [this] { return SaveInfo(flight_->InfoName, true, 0); };
  auto saveCrd = [this, &base] { return SaveCrd(base + ".crd", true); };
  auto saveTu = [this, &base] { return SaveTu(base + ".tu", true); };
  const std::tuple<bool, QString, QString, std::function<bool()>> parts[] = {
      {InfoModified, QStringLiteral("Начальные данные"), QStringLiteral("Ошибка сохранения info!"), saveInfo},
      {CRDModified, QStringLiteral("Данные CRD"), QStringLiteral("Ошибка сохранения CRD!"), saveCrd},
      {TLMModified, QStringLiteral("Данные TU"), QStringLiteral("Ошибка сохранения TU!"), saveTu},
  };
  for (const auto& [modified, caption, failCaption, save] : parts) {
    if (!modified) continue;
    const auto answer =
        dialogs_->question(caption, QStringLiteral("Сохранить?"), UserDialogs::Buttons::YesNoCancel);
    if (answer == UserDialogs::Answer::Cancel) return false;
    if (answer == UserDialogs::Answer::No) continue;  // the flag stays set
    if (save()) continue;
    if (dialogs_->question(failCaption, QStringLiteral("Вернуться?"), UserDialogs::Buttons::YesNo) ==
        UserDialogs::Answer::Yes)
      return false;
  }
  return true;
}

void TfmMainFrm::ExitClick() { close(); }

bool TfmMainFrm::FormCloseQuery() { return AskToSave(); }

void TfmMainFrm::FormClose() {
  // The folder of the dialog's file name goes back as "Path"; "Src" is never
  // written. The window's place and the last flights go with it.
  if (!dv::desktop::WriteSettingsAtClose(configLocation(), PathFromQt(openDialogFileName_), CurrentWindowPlace(),
                                         recent_)) {
    dialogs_->message(QString::fromUtf8(dv::WriteConfigErrorMessage(PathFromQt(configFile_))));
  }
  charts_->FreeChartSeries();
}

void TfmMainFrm::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  closing_ = true;
  FormClose();
  event->accept();
}
