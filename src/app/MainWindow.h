#pragma once
// The main window: the initial-data page, the three charts, the two listings,
// the menu, and closing with the save questions. Handlers keep the names the
// observers' manuals use; their bodies call the subsystem that owns the work.

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/CheckRules.h"
#include "editing/SelectedRange.h"
#include "flight/Flight.h"
#include "flight/Saving.h"
#include "history/EditHistory.h"
#include "products/FlightProducts.h"
#include "wind/Wind.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class TListingView;
class QMenu;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class FindingMarks;
class QSpinBox;
class WindChart;
class LevelsPage;
class DiagramChart;
class QWidget;
class QKeyEvent;
class TChart;
class QCPPainter;
class QRect;
class ArcCharts;
class UserDialogs;
namespace dv {
struct FlightLoad;
class ProfileFile;
namespace desktop {
struct WindowPlace;
struct ConfigLocation;
}
}

struct MainFrmOptions {
  dv::Flight* flight = nullptr;  // program-level flight data; must outlive the window
  UserDialogs* dialogs = nullptr;
  QString configFile;            // the .CNF file; beside the program when empty
  QString configSeed;            // read while configFile is missing, copied into it at the first close
  QStringList arguments;         // command-line arguments without the program name
};

class TfmMainFrm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfmMainFrm(const MainFrmOptions& options);
  ~TfmMainFrm() override;

  // True when the current flight may be left: asks about each modified part.
  bool AskToSave();

  // The three modified flags, each mirrored by its check box.
  bool InfoModified = false;
  bool TLMModified = false;
  bool CRDModified = false;
  void SetInfoModified(bool on);
  void SetTLMModified(bool on);
  void SetCRDModified(bool on);

  bool ProcessingAvailable = false;
  QString ProcessingExe;
  QString ProcessingTemp;

  dv::TSelectedRange TLMRange;
  dv::TSelectedRange CRDRange;

  dv::Flight& flight() { return *flight_; }
  UserDialogs& dialogs() { return *dialogs_; }
  ArcCharts& charts() { return *charts_; }
  QString configFile() const { return configFile_; }
  // The open dialog's folder and file name as they stand (written back at close).
  QString openDialogFolder() const { return openDialogFolder_; }
  QString openDialogFileName() const { return openDialogFileName_; }

  // The writers with the window's side: they take the edit fields, and on a
  // refusal bring the page to the front, focus the field and say so.
  bool SaveInfo(const std::string& fileName, bool keepOriginal, int zoneHours);
  bool SaveTu(const std::string& fileName, bool keepOriginal);
  bool SaveCrd(const std::string& fileName, bool keepOriginal);

  // An enabled command whose menus are enabled too; shortcuts obey the same rule.
  static bool IsReachable(const QAction* action);

  // Opening.
  bool OpenFlight(const QString& fileName);
  void ClearFlightView();
  // The reading part of OpenFlight, and the window put back as at start after it failed.
  bool LoadFlight(const QString& fileName);
  void ClearFailedOpen();
  // A flight whose originals hold fewer points than its working files is for viewing only.
  bool ViewOnly = false;

  // Listings.
  void lbListingClick(TListingView* sender);
  // Trajectory points inside the coordinate range turn orange.
  void HighlightTrajectoryRange();

 public slots:
  void ExitClick();
  void OpenClick();
  void ReOpenClick();
  void idSaveInfoClick();
  void SaveTLMClick();
  void SaveCRDClick();
  void idSaveAllClick();
  void SelectTLMRow(int index);
  void SelectCRDRow(int index);
  void idMarkTUClick();
  void idMarkCRDClick();
  void idTLMTimeClick();
  void idCRDTimeClick();
  void idTimeShiftClick();
  void ChartEditClick();
  void mniSaveEOLClick();
  void mniSaveRunClick();
  void AboutClick();
  void idUndoClick();
  void idRedoClick();
  void idHistoryClick();
  void idCheckClick();
  void idRemoveFoundClick();
  void idExportTrackClick();
  void idReportClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildUi();
  void BuildInfoPage();
  void BuildMenu();
  QAction* AddCommand(QMenu* menu, const char* name, const QString& caption,
                      const QKeySequence& shortcut = {});
  // Runs `handler` on the command only while the command is reachable.
  void Bind(QAction* command, void (TfmMainFrm::*handler)());
  void FormCreate(const QStringList& arguments);
  bool FormCloseQuery();
  void FormClose();
  bool FinishSave(const dv::SaveOutcome& outcome, void (TfmMainFrm::*clearFlag)(bool));
  void HighlightChangedFields();
  void CheckTimeOrder(const dv::FlightLoad& load);
  void SetViewOnly(bool on);
  void FillInfoFields(const std::vector<std::pair<std::string, std::string>>& texts);
  QLineEdit* FieldByName(const std::string& name) const;

  // Charts.
  void ChrtCRDZoom(const QRect& rect);
  void ChrtCRDUndoZoom();
  void ChartsBeforeDrawSeries(TChart* sender, QCPPainter* painter);

  // Point editing.
  void ShowListing(TListingView* listing);
  // The correction's change of the times, or nothing when it was refused.
  template <typename Array>
  std::optional<dv::TimeDelta> CorrectTimeFailure(TListingView* listing, const dv::TSelectedRange& range,
                                                  Array& points, const QString& caption);

  // Initial-data editing.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void InstallFieldHandlers();
  bool FieldKeyPress(QLineEdit* field, QKeyEvent* event);
  void FieldExit(QLineEdit* field);
  void FieldEnter(QLineEdit* field);

  // Suspect points ("Проверка").
 public:
  const std::vector<dv::Finding>& findings() const { return products_->Findings(); }
  dv::FlightProducts& products() { return *products_; }
  // The outlines of the findings on the charts; none before the first check.
  FindingMarks* checkMarks() const { return marks_.get(); }
  // A finding clicked in the list: its listing in front at its rows.
  void FindingClick(QTreeWidgetItem* item);

 private:
  void BuildCheckPage();
  // The list, its title, the counts and the outlines from the findings now, while the check is on.
  void ShowFindings();
  // The rows of every chosen finding selected in their listings; the list keeps the focus.
  void FindingsChosen();
  // The list from findings_ under the rule filter, keeping what was chosen in it.
  void FillCheckList();
  bool checking_ = false;
  int checkRule_ = -1;  // the rule whose findings alone are listed; -1: all
  std::unique_ptr<FindingMarks> marks_;

  // The wind page ("Ветер").
 public:
  WindChart* wind() const { return wind_.get(); }
  const dv::WindSettings& windSettings() const { return products_->windSettings(); }

 private:
  void BuildWindPage();
  // The curves whose wind changed since they were filled; a hidden page waits
  // until it is shown, unless `now`.
  void RefreshWindPage(bool now);
  std::unique_ptr<WindChart> wind_;

  // The "Диаграмма" page.
 public:
  DiagramChart* diagram() const { return diagram_.get(); }

 private:
  void BuildDiagramPage();
  // Redraws the diagram when what it shows changed; a hidden page waits until
  // it is shown, unless `now`.
  void RefreshDiagramPage(bool now);
  std::unique_ptr<DiagramChart> diagram_;

  // The program as a desktop program: status bar, title mark, last flights, manual, window place.
 public:
  QLabel *lblStatusFlight = nullptr, *lblStatusCounts = nullptr, *lblStatusCursor = nullptr;
  QMenu* idRecent = nullptr;  // "Последние выпуски"
  QMenu* N10 = nullptr;       // "Справка"
  QAction* idManual = nullptr;
  const std::vector<std::string>& recentFlights() const { return recent_; }
  void idManualClick();
  // A flight chosen outside the open dialog (the last flights, another start):
  // asks about unsaved changes, then opens it as "Открыть" does.
  void OpenFlightFile(const QString& file);
  // A file a command wrote: the status bar names it with the others once the command is over.
  void NoteWritten(const std::string& file);

 private:
  void BuildDesktop();
  void SetTitle(const QString& base);
  void UpdateTitleMark();
  void UpdateStatus();
  void FillRecentMenu();
  void RememberOpened(const QString& file);
  // The last flights and the window's place as the settings keep them.
  void RestoreDesktop(const dv::ProfileFile& profile);
  // Where the settings are read and written.
  dv::desktop::ConfigLocation configLocation() const;
  dv::desktop::WindowPlace CurrentWindowPlace() const;
  QString titleBase_;
  std::vector<std::string> recent_;
  std::vector<std::string> written_;

  // The "Уровни" page.
  void BuildLevelsPage();
  void RefreshLevelsPage();
  std::unique_ptr<LevelsPage> levels_;

  // Edit history.
 public:
  const dv::EditHistory& history() const { return history_; }
  // The modified flags as the history keeps them, and their boxes (which the
  // open's range-flag scan may leave unticked under a set flag).
  static constexpr std::uint32_t kInfoBit = 1, kTlmBit = 2, kCrdBit = 4;
  static constexpr std::uint32_t kInfoBox = 8, kTlmBox = 16, kCrdBox = 32;
  std::uint32_t ModifiedBits() const;

 private:
  // A command's step into the history, and what it changed refreshed.
  void Record(dv::EditStep step);
  // Every edit, undo, redo, "Убрать найденное" and open ends here: the
  // products, series, listings, pages and commands that the change concerns.
  void FlightChanged(const dv::FlightChange& change);
  void UpdateUndoCommands();
  // Takes the flight back before the step (undo) or after it again (redo).
  void ApplyStep(const dv::EditStep& step, bool undo);

  dv::EditHistory history_;
  // Each field's text, colour and modified flags when the focus entered it.
  struct FieldEntry {
    QString text;
    unsigned colour = 0;
    std::uint32_t modified = 0;
  };
  std::map<const QLineEdit*, FieldEntry> entered_;

  dv::Flight* flight_;
  UserDialogs* dialogs_;
  // The initial data as the fields show them: the file takes typed values only
  // when saved, but the levels, the diagram and the checks follow the fields.
  dv::InitialData shownInfo_;
  void SyncShownInfo();
  // The editable initial-data fields' texts.
  dv::InfoFieldTexts InfoFields() const;
  std::unique_ptr<dv::FlightProducts> products_;  // of *flight_ and shownInfo_
  QString configFile_;
  QString configSeed_;
  QString openDialogFolder_;
  QString openDialogFileName_;
  bool closing_ = false;
  bool raraLocked_ = false;            // the configured code set was invalid
  bool timeShiftEverEnabled_ = false;  // "Сдвиг" stays enabled once a flight had points

 public:
  // Widgets, named as everywhere else in the program.
  QTabWidget* PageControlTU = nullptr;
  QWidget* tsInfo = nullptr;
  QWidget* tsCRD = nullptr;
  QWidget* tsXY = nullptr;
  QWidget* tsTLM = nullptr;
  QWidget* tsWind = nullptr;
  TChart* ChrtWind = nullptr;
  QWidget* tsLevels = nullptr;
  QWidget* tsDiagram = nullptr;
  TChart* ChrtDiagram = nullptr;
  QLabel* lblDiagram = nullptr;  // the readout at the cursor's height
  QSpinBox* edtWindWindow = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QTabWidget* PageControlTxt = nullptr;
  QWidget* tsCRDTxt = nullptr;
  QWidget* tsTUTxt = nullptr;
  QDockWidget* dkCheck = nullptr;  // "Проверка (N)", under the charts and listings
  QWidget* tsCheckTxt = nullptr;
  QComboBox* cbxCheckRule = nullptr;
  QLabel* lblCheckValues = nullptr;
  QTreeWidget* lbxCheck = nullptr;
  TListingView* lbxCRD = nullptr;
  TListingView* lbxTLM = nullptr;
  TChart* ChrtCRD = nullptr;
  TChart* ChrtXY = nullptr;
  TChart* ChrtTLM = nullptr;

  QLineEdit *edtStation = nullptr, *edtH0 = nullptr, *edtLong = nullptr, *edtLat = nullptr;
  QLineEdit *edtP0 = nullptr, *edtT0 = nullptr, *edtU0 = nullptr, *edtD0 = nullptr,
            *edtV0 = nullptr, *edtClouds = nullptr;
  QLineEdit* edtRaRa = nullptr;
  QLineEdit *edtDt0 = nullptr, *edtDu0 = nullptr;
  QLineEdit *edtSR0 = nullptr, *edtAz0 = nullptr, *edtEl0 = nullptr;
  QLineEdit *edtDay = nullptr, *edtMonth = nullptr, *edtYear = nullptr, *edtHour = nullptr,
            *edtMin = nullptr;
  QCheckBox *cbxInfoMod = nullptr, *cbxTLMMod = nullptr, *cbxCRDMod = nullptr;
  QLabel *lblTLMdtime = nullptr, *lblCRDdtime = nullptr;

  QMenu* idAscnt1 = nullptr;
  QAction *idOpen = nullptr, *idReOpen = nullptr;
  QMenu* idSave = nullptr;
  QAction *idSaveInfo = nullptr, *idSaveTLM = nullptr, *idSaveCRD = nullptr, *idSaveAll = nullptr,
          *mniSaveEOL = nullptr, *mniSaveRun = nullptr, *idExit1 = nullptr;
  QMenu *N2 = nullptr, *N3 = nullptr, *N8 = nullptr, *N4 = nullptr, *N5 = nullptr, *N6 = nullptr;
  QAction *idMarkTLM = nullptr, *idMarkCRD = nullptr;
  QAction *idTLMTime = nullptr, *idCRDTime = nullptr, *idTimeShift = nullptr;
  QAction* ChartEdit = nullptr;
  QAction* About1 = nullptr;
  QAction *idUndo = nullptr, *idRedo = nullptr, *idHistory = nullptr;
  QAction *idCheck = nullptr, *idRemoveFound = nullptr, *idExportTrack = nullptr;
  QAction* idReport = nullptr;

 private:
  std::unique_ptr<ArcCharts> charts_;
};

// The listings' page control is this wide at start.
inline constexpr int kListingWidth = 346;

// Colours the window sets on chart points.
namespace chartcolour {
inline constexpr unsigned kFuchsia = 0xFF00FF;  // the band's hatch
inline constexpr unsigned kTeal = 0x008080;     // the band's dotted edges
}  // namespace chartcolour

// The colours of the initial-data fields.
namespace fieldcolour {
inline constexpr unsigned kMenu = 0xF0F0F0;    // untouched
inline constexpr unsigned kWindow = 0xFFFFFF;  // typed into
inline constexpr unsigned kAqua = 0x00FFFF;    // differs from the original
}  // namespace fieldcolour

// The most characters the user may type into a field (0: no limit).
inline constexpr const char* kTypingLimit = "typingLimit";
int TypingLimit(const QLineEdit* field);

void SetFieldColour(QLineEdit* field, unsigned rgb);
unsigned FieldColour(const QLineEdit* field);
