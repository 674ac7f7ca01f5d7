// The main window's widgets and menu, as the observers know them.

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "app/PageControl.h"
#include "charts/TChart.h"
#include "editing/ListingView.h"

namespace {

QLineEdit* MakeField(QWidget* parent, const char* name, const QString& hint, bool readOnly,
                     int maxLength = 0) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  if (!hint.isEmpty()) e->setToolTip(hint);
  e->setReadOnly(readOnly);
  // A limit on typing only: a longer value from a file is shown whole, so that the
  // writers' checks refuse it instead of a silently cut text being saved.
  if (maxLength > 0) e->setProperty(kTypingLimit, maxLength);
  SetFieldColour(e, fieldcolour::kMenu);
  return e;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption) {
  auto* g = new QGroupBox(caption, parent);
  if (name) g->setObjectName(QLatin1String(name));
  auto* form = new QFormLayout(g);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  return g;
}

void AddRow(QGroupBox* group, const QString& label, QLineEdit* field) {
  field->setMinimumWidth(110);
  static_cast<QFormLayout*>(group->layout())->addRow(label, field);
}

TListingView* MakeListing(QWidget* parent, TListingView::Tag tag, const char* name, const QString& hint) {
  auto* l = new TListingView(tag, parent);
  l->setObjectName(QLatin1String(name));
  l->setToolTip(hint);
  return l;
}

}  // namespace

void SetFieldColour(QLineEdit* field, unsigned rgb) {
  QPalette p = field->palette();
  p.setColor(QPalette::Base, QColor::fromRgb(rgb));
  field->setPalette(p);
}

unsigned FieldColour(const QLineEdit* field) {
  return field->palette().color(QPalette::Base).rgb() & 0xFFFFFFu;
}

void TfmMainFrm::BuildInfoPage() {
  tsInfo = new QWidget;
  tsInfo->setObjectName(QStringLiteral("tsInfo"));
  auto* pageLayout = new QVBoxLayout(tsInfo);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  ScrollBox1 = new QScrollArea(tsInfo);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setWidgetResizable(true);
  pageLayout->addWidget(ScrollBox1);

  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);

  auto* station = MakeGroup(box, nullptr, QStringLiteral("Станция"));
  edtStation = MakeField(station, "edtStation", {}, true, 5);
  edtH0 = MakeField(station, "edtH0", QStringLiteral("Высота, м"), true);
  edtLong = MakeField(station, "edtLong", QStringLiteral("Долгота, °"), true);
  edtLat = MakeField(station, "edtLat", QStringLiteral("Широта, °"), true);
  AddRow(station, QStringLiteral("Индекс"), edtStation);
  AddRow(station, QStringLiteral("Высота"), edtH0);
  AddRow(station, QStringLiteral("Долгота"), edtLong);
  AddRow(station, QStringLiteral("Широта"), edtLat);

  auto* surface = MakeGroup(box, "gbxSurfObs", QStringLiteral("Наземные данные"));
  edtP0 = MakeField(surface, "edtP0", QStringLiteral("Давление, гПа"), false);
  edtT0 = MakeField(surface, "edtT0", QStringLiteral("Температура, °С"), false);
  edtU0 = MakeField(surface, "edtU0", QStringLiteral("Влажность, %"), false);
  edtD0 = MakeField(surface, "edtD0", QStringLiteral("Направление ветра, °"), false);
  edtV0 = MakeField(surface, "edtV0", QStringLiteral("Скорость ветра, м/с"), false);
  edtClouds = MakeField(surface, "edtClouds", {}, false, 5);
  AddRow(surface, QStringLiteral("Давление"), edtP0);
  AddRow(surface, QStringLiteral("Температура"), edtT0);
  AddRow(surface, QStringLiteral("Влажность"), edtU0);
  AddRow(surface, QStringLiteral("Направление ветра"), edtD0);
  AddRow(surface, QStringLiteral("Скорость ветра"), edtV0);
  AddRow(surface, QStringLiteral("Облачность"), edtClouds);

  auto* raraRow = new QWidget(box);
  auto* raraLayout = new QHBoxLayout(raraRow);
  raraLayout->setContentsMargins(10, 0, 0, 0);
  edtRaRa = MakeField(raraRow, "edtRaRa", {}, false, 2);
  edtRaRa->setMaximumWidth(40);
  raraLayout->addWidget(new QLabel(QStringLiteral("Радиозонд"), raraRow));
  raraLayout->addWidget(edtRaRa);
  raraLayout->addStretch();

  auto* check = MakeGroup(box, nullptr, QStringLiteral("Предполетная проверка"));
  edtDt0 = MakeField(check, "edtDt0", {}, true);
  edtDu0 = MakeField(check, "edtDu0", {}, true);
  AddRow(check, QStringLiteral("Температура"), edtDt0);
  AddRow(check, QStringLiteral("Влажность"), edtDu0);

  auto* launch = MakeGroup(box, nullptr, QStringLiteral("Место выпуска"));
  edtSR0 = MakeField(launch, "edtSR0", QStringLiteral("Дальность, м"), false);
  edtAz0 = MakeField(launch, "edtAz0", QStringLiteral("Азимут, °"), false);
  edtEl0 = MakeField(launch, "edtEl0", QStringLiteral("Угол места, °"), false);
  AddRow(launch, QStringLiteral("Дальн."), edtSR0);
  AddRow(launch, QStringLiteral("Аз."), edtAz0);
  AddRow(launch, QStringLiteral("Уг. места"), edtEl0);

  auto* date = new QGroupBox(QStringLiteral("Дата и время"), box);
  auto* dateLayout = new QHBoxLayout(date);
  edtDay = MakeField(date, "edtDay", QStringLiteral("День"), true, 2);
  edtMonth = MakeField(date, "edtMonth", QStringLiteral("Месяц"), true, 2);
  edtYear = MakeField(date, "edtYear", QStringLiteral("Год"), true);
  edtHour = MakeField(date, "edtHour", QStringLiteral("Часы"), true, 2);
  edtMin = MakeField(date, "edtMin", QStringLiteral("Минуты"), true, 2);
  for (QLineEdit* e : {edtDay, edtMonth, edtHour, edtMin}) e->setMaximumWidth(36);
  edtYear->setMaximumWidth(56);
  dateLayout->addWidget(edtDay);
  dateLayout->addWidget(new QLabel(QStringLiteral("."), date));
  dateLayout->addWidget(edtMonth);
  dateLayout->addWidget(new QLabel(QStringLiteral("."), date));
  dateLayout->addWidget(edtYear);
  dateLayout->addSpacing(12);
  dateLayout->addWidget(edtHour);
  dateLayout->addWidget(new QLabel(QStringLiteral(":"), date));
  dateLayout->addWidget(edtMin);
  dateLayout->addStretch();

  auto* flags = new QWidget(box);
  auto* flagGrid = new QGridLayout(flags);
  cbxInfoMod = new QCheckBox(QStringLiteral("info"), flags);
  cbxTLMMod = new QCheckBox(QStringLiteral("tu"), flags);
  cbxCRDMod = new QCheckBox(QStringLiteral("crd"), flags);
  cbxInfoMod->setObjectName(QStringLiteral("cbxInfoMod"));
  cbxTLMMod->setObjectName(QStringLiteral("cbxTLMMod"));
  cbxCRDMod->setObjectName(QStringLiteral("cbxCRDMod"));
  lblTLMdtime = new QLabel(flags);
  lblCRDdtime = new QLabel(flags);
  lblTLMdtime->setObjectName(QStringLiteral("lblTLMdtime"));
  lblCRDdtime->setObjectName(QStringLiteral("lblCRDdtime"));
  for (QCheckBox* c : {cbxInfoMod, cbxTLMMod, cbxCRDMod}) c->setEnabled(false);  // indicators only
  flagGrid->addWidget(cbxInfoMod, 0, 0);
  flagGrid->addWidget(cbxTLMMod, 0, 1);
  flagGrid->addWidget(cbxCRDMod, 0, 2);
  flagGrid->addWidget(lblTLMdtime, 1, 1);
  flagGrid->addWidget(lblCRDdtime, 1, 2);

  grid->addWidget(station, 0, 0);
  grid->addWidget(surface, 0, 1);
  grid->addWidget(raraRow, 1, 1);
  grid->addWidget(check, 1, 0, 2, 1);
  grid->addWidget(launch, 2, 1);
  grid->addWidget(date, 3, 0, 1, 2);
  grid->addWidget(flags, 4, 0, 1, 2);
  grid->setRowStretch(5, 1);
  grid->setColumnStretch(2, 1);
  ScrollBox1->setWidget(box);
}

void TfmMainFrm::BuildUi() {
  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  setCentralWidget(Splitter1);

  PageControlTU = new TPageControl(Splitter1);
  PageControlTU->setObjectName(QStringLiteral("PageControlTU"));
  PageControlTU->setToolTip(
      QStringLiteral("Выбирайте мышкой закладки по левой стороне или используйте клавиши Ctrl-Tab"));
  QFont tabFont = PageControlTU->tabBar()->font();
  tabFont.setBold(true);
  tabFont.setPixelSize(15);
  PageControlTU->tabBar()->setFont(tabFont);
  PageControlTU->tabBar()->setAttribute(Qt::WA_Hover);

  BuildInfoPage();
  PageControlTU->addTab(tsInfo, QStringLiteral("Начальные данные"));

  auto chartPage = [this](QWidget*& page, const char* pageName, TChart*& chart, const char* chartName,
                          const QString& caption, const QString& pageHint, const QString& chartHint) {
    page = new QWidget;
    page->setObjectName(QLatin1String(pageName));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    chart = new TChart(page);
    chart->setObjectName(QLatin1String(chartName));
    chart->setToolTip(chartHint);
    layout->addWidget(chart);
    const int index = PageControlTU->addTab(page, caption);
    if (!pageHint.isEmpty()) PageControlTU->setTabToolTip(index, pageHint);
  };
  chartPage(tsCRD, "tsCRD", ChrtCRD, "ChrtCRD", QStringLiteral("Координаты"),
            QStringLiteral("Щелкни меня"), QStringLiteral("Угловые координаты"));
  chartPage(tsXY, "tsXY", ChrtXY, "ChrtXY", QStringLiteral("Траектория"), {},
            QStringLiteral("Горизонтальная траектория полета щара"));
  chartPage(tsTLM, "tsTLM", ChrtTLM, "ChrtTLM", QStringLiteral("Телеметрия"),
            QStringLiteral("Щелкни меня"), QStringLiteral("Периоды телеметрии"));
  BuildWindPage();
  BuildDiagramPage();
  BuildLevelsPage();

  PageControlTxt = new QTabWidget(Splitter1);
  PageControlTxt->setObjectName(QStringLiteral("PageControlTxt"));
  tsCRDTxt = new QWidget;
  tsCRDTxt->setObjectName(QStringLiteral("tsCRDTxt"));
  tsTUTxt = new QWidget;
  tsTUTxt->setObjectName(QStringLiteral("tsTUTxt"));
  lbxCRD = MakeListing(tsCRDTxt, TListingView::kCrdPoints, "lbxCRD", QStringLiteral("Координаты - правка Ctrl+C"));
  lbxTLM = MakeListing(tsTUTxt, TListingView::kTuPoints, "lbxTLM", QStringLiteral("Телеметрия - правка Ctrl+Y"));
  (new QVBoxLayout(tsCRDTxt))->addWidget(lbxCRD);
  (new QVBoxLayout(tsTUTxt))->addWidget(lbxTLM);
  tsCRDTxt->layout()->setContentsMargins(0, 0, 0, 0);
  tsTUTxt->layout()->setContentsMargins(0, 0, 0, 0);
  PageControlTxt->addTab(tsCRDTxt, QStringLiteral("CRD"));
  PageControlTxt->addTab(tsTUTxt, QStringLiteral("TU"));

  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({918 - kListingWidth, kListingWidth});
  PageControlTU->setCurrentWidget(tsInfo);
  PageControlTxt->setCurrentWidget(tsCRDTxt);
}

QAction* TfmMainFrm::AddCommand(QMenu* menu, const char* name, const QString& caption,
                                const QKeySequence& shortcut) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QLatin1String(name));
  if (!shortcut.isEmpty()) {
    a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
  }
  return a;
}

void TfmMainFrm::BuildMenu() {
  QMenuBar* bar = menuBar();
  auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
    QMenu* m = parent->addMenu(caption);
    m->setObjectName(QLatin1String(name));
    m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Item"));
    return m;
  };

  idAscnt1 = bar->addMenu(QStringLiteral("&Выпуск"));
  idAscnt1->setObjectName(QStringLiteral("idAscnt1"));
  idAscnt1->setToolTipsVisible(true);
  idAscnt1->menuAction()->setToolTip(QStringLiteral("Загрузка данных"));
  idOpen = AddCommand(idAscnt1, "idOpen", QStringLiteral("&Открыть"), QKeySequence(QStringLiteral("Ctrl+O")));
  idOpen->setToolTip(QStringLiteral("Выбор первичного выпуска"));
  idReOpen = AddCommand(idAscnt1, "idReOpen", QStringLiteral("Открыть заново"), QKeySequence(QStringLiteral("Ctrl+R")));
  idSave = submenu(idAscnt1, "idSave", QStringLiteral("Сохранить"));
  idSaveInfo = AddCommand(idSave, "idSaveInfo", QStringLiteral("Начальные данные"));
  idSaveTLM = AddCommand(idSave, "idSaveTLM", QStringLiteral("Телеметрия"));
  idSaveCRD = AddCommand(idSave, "idSaveCRD", QStringLiteral("Координаты"));
  idSaveAll = AddCommand(idSave, "idSaveAll", QStringLiteral("Всё"), QKeySequence(QStringLiteral("Ctrl+S")));
  mniSaveEOL = AddCommand(idSave, "mniSaveEOL", QStringLiteral("Сохранить как файлы ОЖ"));
  mniSaveRun = AddCommand(idSave, "mniSaveRun", QStringLiteral("Сохранить и обработать"),
                          QKeySequence(QStringLiteral("Ctrl+E")));
  idAscnt1->addSeparator()->setObjectName(QStringLiteral("N1"));
  idExit1 = AddCommand(idAscnt1, "idExit1", QStringLiteral("Вы&ход"), QKeySequence(QStringLiteral("Alt+X")));
  idExit1->setToolTip(QStringLiteral("Выход из программы"));

  N2 = bar->addMenu(QStringLiteral("Правка"));
  N2->setObjectName(QStringLiteral("N2"));
  N3 = submenu(N2, "N3", QStringLiteral("Убрать/включить"));
  idMarkTLM = AddCommand(N3, "idMarkTLM", QStringLiteral("Телеметрия"), QKeySequence(QStringLiteral("Ctrl+Y")));
  idMarkCRD = AddCommand(N3, "idMarkCRD", QStringLiteral("Координаты"), QKeySequence(QStringLiteral("Ctrl+C")));
  // Never shown, never enabled: kept for the menu's familiar shape.
  N8 = submenu(N2, "N8", QStringLiteral("Восстановить"));
  for (const QString& caption : {QStringLiteral("Начальные данные"), QStringLiteral("Телеметрия"),
                                 QStringLiteral("Координаты")})
    N8->addAction(caption)->setEnabled(false);
  N8->setEnabled(false);
  N8->menuAction()->setVisible(false);
  N4 = submenu(N2, "N4", QStringLiteral("Время"));
  idTLMTime = AddCommand(N4, "idTLMTime", QStringLiteral("Телеметрия"));
  idCRDTime = AddCommand(N4, "idCRDTime", QStringLiteral("Координаты"));
  idTimeShift = AddCommand(N4, "idTimeShift", QStringLiteral("Сдвиг"));
  N2->addSeparator()->setObjectName(QStringLiteral("N9"));
  idUndo = AddCommand(N2, "idUndo", QStringLiteral("Отменить"), QKeySequence(QStringLiteral("Ctrl+Z")));
  idRedo = AddCommand(N2, "idRedo", QStringLiteral("Повторить"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
  idHistory = AddCommand(N2, "idHistory", QStringLiteral("История"), QKeySequence(QStringLiteral("Ctrl+H")));

  N5 = bar->addMenu(QStringLiteral("Сервис"));
  N5->setObjectName(QStringLiteral("N5"));
  // The system choice is never shown and nothing reads it.
  N6 = submenu(N5, "N6", QStringLiteral("Система"));
  auto* systems = new QActionGroup(N6);
  int tag = 1;
  for (const QString& caption : {QStringLiteral("АВК-ОЖ"), QStringLiteral("DEDA-Z"), QStringLiteral("Dazado-V")}) {
    QAction* a = N6->addAction(caption);
    a->setCheckable(true);
    a->setData(tag);
    a->setChecked(tag == 1);
    systems->addAction(a);
    ++tag;
  }
  N6->menuAction()->setVisible(false);
  ChartEdit = AddCommand(N5, "ChartEdit", QStringLiteral("Диаграмма"), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
  idCheck = AddCommand(N5, "idCheck", QStringLiteral("Проверка"), QKeySequence(QStringLiteral("F7")));
  idRemoveFound = AddCommand(N5, "idRemoveFound", QStringLiteral("Убрать найденное"),
                             QKeySequence(QStringLiteral("Ctrl+Shift+Y")));
  idExportTrack = AddCommand(N5, "idExportTrack", QStringLiteral("Экспорт траектории"),
                             QKeySequence(QStringLiteral("Ctrl+Shift+E")));
  idReport = AddCommand(N5, "idReport", QStringLiteral("Отчёт"), QKeySequence(QStringLiteral("Ctrl+P")));

  About1 = bar->addAction(QStringLiteral("О программе"));
  About1->setObjectName(QStringLiteral("About1"));

  // The states at start.
  idReOpen->setEnabled(false);
  idSave->setEnabled(false);
  mniSaveRun->setEnabled(false);
  idTLMTime->setEnabled(false);
  idCRDTime->setEnabled(false);
  idTimeShift->setEnabled(false);

  Bind(idOpen, &TfmMainFrm::OpenClick);
  Bind(idReOpen, &TfmMainFrm::ReOpenClick);
  Bind(idSaveInfo, &TfmMainFrm::idSaveInfoClick);
  Bind(idSaveTLM, &TfmMainFrm::SaveTLMClick);
  Bind(idSaveCRD, &TfmMainFrm::SaveCRDClick);
  Bind(idSaveAll, &TfmMainFrm::idSaveAllClick);
  Bind(mniSaveEOL, &TfmMainFrm::mniSaveEOLClick);
  Bind(mniSaveRun, &TfmMainFrm::mniSaveRunClick);
  Bind(idExit1, &TfmMainFrm::ExitClick);
  Bind(idMarkTLM, &TfmMainFrm::idMarkTUClick);
  Bind(idMarkCRD, &TfmMainFrm::idMarkCRDClick);
  Bind(idTLMTime, &TfmMainFrm::idTLMTimeClick);
  Bind(idCRDTime, &TfmMainFrm::idCRDTimeClick);
  Bind(idTimeShift, &TfmMainFrm::idTimeShiftClick);
  Bind(ChartEdit, &TfmMainFrm::ChartEditClick);
  Bind(idUndo, &TfmMainFrm::idUndoClick);
  Bind(idRedo, &TfmMainFrm::idRedoClick);
  Bind(idHistory, &TfmMainFrm::idHistoryClick);
  Bind(idCheck, &TfmMainFrm::idCheckClick);
  Bind(idRemoveFound, &TfmMainFrm::idRemoveFoundClick);
  Bind(idExportTrack, &TfmMainFrm::idExportTrackClick);
  Bind(idReport, &TfmMainFrm::idReportClick);
  idRemoveFound->setEnabled(false);  // until the check is on
  idUndo->setEnabled(false);
  idRedo->setEnabled(false);
  Bind(About1, &TfmMainFrm::AboutClick);
}
