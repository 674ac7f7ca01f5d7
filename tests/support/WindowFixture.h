#pragma once
// A real main window, offscreen, with scripted dialogs and its own
// configuration file in a temporary folder.

#include <QApplication>
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

  std::string ConfigPath() const { return dir.file("devirarav.CNF"); }

  TfmMainFrm& Create(const QStringList& arguments = {}) {
    flight.StartDir = dir.path().string();
    MainFrmOptions options;
    options.flight = &flight;
    options.dialogs = &dialogs;
    options.configFile = PathToQt(ConfigPath());
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

  void TearDown() override {
    if (window) {
      // Leave without questions whatever the test left modified.
      window->InfoModified = window->TLMModified = window->CRDModified = false;
      window->close();
      window.reset();
    }
  }
};
