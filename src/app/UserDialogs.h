#pragma once
// Every message box, question, input line, file dialog and beep of the window
// goes through this seam, so that tests can script the user's answers.

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

class UserDialogs {
 public:
  enum class Answer { Yes, No, Cancel };
  enum class Buttons { YesNo, YesNoCancel };

  struct OpenFileRequest {
    QString title;
    QString filter;           // "description (mask)"
    QString initialFolder;
    QString initialFileName;  // may be a folder followed by a mask
  };

  virtual ~UserDialogs() = default;

  // A plain information box with an OK button.
  virtual void message(const QString& text) = 0;
  // The application's standard error box (a reader's error text, for example).
  virtual void error(const QString& text) = 0;
  // A question box with the question icon.
  virtual Answer question(const QString& caption, const QString& text, Buttons buttons) = 0;
  // A one-line input dialog; nothing when cancelled.
  virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                           const QString& initial) = 0;
  // The open dialog; the chosen existing file, or nothing when cancelled.
  virtual std::optional<QString> chooseOpenFile(const OpenFileRequest& request) = 0;
  // A file to write; nothing when cancelled.
  virtual std::optional<QString> chooseSaveFile(const QString& title, const QString& filter,
                                                const QString& suggested) = 0;
  // A list to choose one line from (the edit history); its index, or nothing when cancelled.
  virtual std::optional<int> chooseItem(const QString& caption, const QString& prompt, const QStringList& items,
                                        int current) = 0;
  virtual void beep() = 0;
  // Hands a web or "mailto:" address to the desktop's own handler.
  virtual void openExternal(const QString& target) = 0;
};

// The real boxes, parented to the main window.
// Qt's own texts (standard buttons, the file and input dialogs) in Russian,
// whatever the system's language. False when the translation is not installed.
bool InstallRussianTranslation();

class QtUserDialogs : public UserDialogs {
 public:
  explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void message(const QString& text) override;
  void error(const QString& text) override;
  Answer question(const QString& caption, const QString& text, Buttons buttons) override;
  std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                   const QString& initial) override;
  std::optional<QString> chooseOpenFile(const OpenFileRequest& request) override;
  std::optional<QString> chooseSaveFile(const QString& title, const QString& filter,
                                        const QString& suggested) override;
  std::optional<int> chooseItem(const QString& caption, const QString& prompt, const QStringList& items,
                                int current) override;
  void beep() override;
  void openExternal(const QString& target) override;

 private:
  QWidget* parent_;
};
