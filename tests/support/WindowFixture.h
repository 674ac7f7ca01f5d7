#pragma once
// A real main window, offscreen, with scripted dialogs and its own
// configuration file in a temporary folder.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QStringList>
#include <memory>

#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "flight/Flight.h"

class WindowFixture : public ::testing::Test {
 protected:
  dvtest::TempDir dir;
  dv::Flight flight;
  ScriptedDialogs dialogs;
  std::unique_ptr<TfmMainFrm> window;

  // The settings file, and the system-wide one read while it is missing (none when empty).
  std::string configFile;
  std::string configSeed;
  std::string ConfigPath() const { return configFile.empty() ? dir.file("devirarav.CNF") : configFile; }

  TfmMainFrm& Create(const QStringList& arguments = {}) {
    flight.StartDir = dir.path().string();
    MainFrmOptions options;
    options.flight = &flight;
    options.dialogs = &dialogs;
    options.configFile = PathToQt(ConfigPath());
    options.configSeed = PathToQt(configSeed);
    options.arguments = arguments;
    window = std::make_unique<TfmMainFrm>(options);
    window->show();
    QApplication::processEvents();
    return *window;
  }

  // Copies a sample flight into the temporary folder; returns its base path.
  std::string CopyExample(const std::string& name) {
    for (const char* ext : {".info", ".tu", ".crd"}) {
      const std::string from = dvtest::ExampleFile(name + ext);
      if (std::filesystem::exists(from)) std::filesystem::copy_file(from, dir.file(name + ext));
    }
    return dir.file(name);
  }

  // A flight of our own: .info with the given start, and the .tu and .crd texts.
  std::string WriteFlight(const std::string& name, const std::string& tu, const std::string& crd,
                          int year = 2025, int month = 10, int day = 14, int hour = 11, int minute = 30) {
    const std::string base = dir.file(name);
    dvtest::WriteAll(base + ".info",
                     "StationSynopticIndex:\t27612\r\nStationLongitude:\t37.567\r\nStationLattitude:\t55.833\r\n"
                     "StationHeightAboveSeaLevel:\t147\r\nOnGroundPressure:\t1003.2\r\nOnGroundWindDirection:\t200\r\n"
                     "OnGroundWindVelocity:\t5\r\nOnGroundHumidityError:\t1.5\r\nOnGroundTemperatureError:\t-0.25\r\n"
                     "StartYear:\t" + std::to_string(year) + "\r\nStartMonth:\t" + std::to_string(month) +
                     "\r\nStartDay:\t" + std::to_string(day) + "\r\nStartHour:\t" + std::to_string(hour) +
                     "\r\nStartMinute:\t" + std::to_string(minute) + "\r\nNebulosityCode:\t8/6//\r\nRadioZondType:\t90\r\n");
    if (!tu.empty()) dvtest::WriteAll(base + ".tu", tu);
    if (!crd.empty()) dvtest::WriteAll(base + ".crd", crd);
    return base;
  }

  // Opens a flight through the open command, the dialog answering with its .info.
  bool Open(const std::string& base) {
    dialogs.files.push_back(PathToQt(base + ".info"));
    window->idOpen->trigger();
    return window->flight().FlightBase == base;
  }

  // Types `text` over a field's whole text as the observer would, then leaves the field for `next`.
  static void TypeInto(QLineEdit* field, const QString& text, QWidget* next) {
    field->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClicks(field, text);
    next->setFocus();
    QApplication::processEvents();
  }

  void TearDown() override {
    if (window) {
      // Leave without questions whatever the test left modified.
      window->InfoModified = window->TLMModified = window->CRDModified = false;
      window->close();
      window.reset();
    }
  }
};
