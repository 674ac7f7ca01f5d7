#pragma once
// The user, as a script: answers queued by the test, every box recorded.

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <vector>

#include "app/UserDialogs.h"

class ScriptedDialogs : public UserDialogs {
 public:
  struct Call {
    Call(QString k, QString c, QString t, QString i = {})
        : kind(std::move(k)), caption(std::move(c)), text(std::move(t)), initial(std::move(i)) {}
    QString kind;  // "message", "error", "question", "input", "open", "choose", "beep", "external"
    QString caption;
    QString text;
    QString initial;  // an input dialog's initial text
    bool operator==(const Call&) const = default;
  };

  std::vector<Call> calls;
  std::deque<Answer> answers;
  std::deque<std::optional<QString>> inputs;
  std::deque<std::optional<QString>> files;
  std::deque<std::optional<int>> choices;
  QStringList lastItems;  // what the last list offered
  std::vector<OpenFileRequest> openRequests;

  void message(const QString& text) override { calls.push_back({"message", {}, text}); }
  void error(const QString& text) override { calls.push_back({"error", {}, text}); }
  Answer question(const QString& caption, const QString& text, Buttons) override {
    calls.push_back({"question", caption, text});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << caption.toStdString() << " / " << text.toStdString();
      return Answer::Cancel;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                   const QString& initial) override {
    calls.push_back({"input", caption, prompt, initial});
    if (inputs.empty()) {
      ADD_FAILURE() << "unexpected input dialog: " << caption.toStdString();
      return std::nullopt;
    }
    return TakeFront(inputs);
  }
  std::optional<int> chooseItem(const QString& caption, const QString& prompt, const QStringList& items,
                                int current) override {
    calls.push_back({"choose", caption, prompt, QString::number(current)});
    lastItems = items;
    if (choices.empty()) {
      ADD_FAILURE() << "unexpected list: " << caption.toStdString();
      return std::nullopt;
    }
    const std::optional<int> choice = choices.front();
    choices.pop_front();
    return choice;
  }
  std::optional<QString> chooseOpenFile(const OpenFileRequest& request) override {
    calls.push_back({"open", request.title, request.initialFileName});
    openRequests.push_back(request);
    if (files.empty()) {
      ADD_FAILURE() << "unexpected open dialog";
      return std::nullopt;
    }
    return TakeFront(files);
  }
  std::optional<QString> chooseSaveFile(const QString& title, const QString&, const QString& suggested) override {
    calls.push_back({"save", title, suggested});
    if (files.empty()) {
      ADD_FAILURE() << "unexpected save dialog";
      return std::nullopt;
    }
    return TakeFront(files);
  }
  void beep() override { calls.push_back({"beep", {}, {}}); }
  void openExternal(const QString& target) override { calls.push_back({"external", {}, target}); }

  static std::optional<QString> TakeFront(std::deque<std::optional<QString>>& queue) {
    const QString text = queue.front().value_or(QString());
    const bool given = queue.front().has_value();
    queue.pop_front();
    if (!given) return std::nullopt;
    return text;
  }

  // The texts of the questions and messages, for compact assertions.
  std::vector<QString> Texts() const {
    std::vector<QString> t;
    for (const Call& c : calls) t.push_back(c.caption.isEmpty() ? c.text : c.caption + " | " + c.text);
    return t;
  }
};

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

inline void PrintTo(const ScriptedDialogs::Call& c, std::ostream* os) {
  *os << c.kind.toStdString() << "(" << c.caption.toStdString() << ", " << c.text.toStdString() << ")";
}
