// The listings' selections and the initial-data fields' keys.

#include <QAction>
#include <algorithm>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <map>

#include "app/MainWindow.h"
#include "app/UserDialogs.h"
#include "charts/ArcCharts.h"
#include "charts/TChart.h"
#include "editing/KeyValidator.h"
#include "editing/Listing.h"
#include "editing/ListingView.h"

// ---------------------------------------------------------------- listings

void TfmMainFrm::lbListingClick(TListingView* sender) {
  const auto runs = sender->SelectedRuns();
  const auto inRuns = [&runs](int row) {
    for (const auto& [first, last] : runs) {
      if (row < first) return false;
      if (row <= last) return true;
    }
    return false;
  };
  const auto rowTime = [sender](int row) { return dv::RowTime(sender->listModel()->RowBytes(row)); };
  const dv::TSelectedRange range = dv::RangeFromSelection(sender->RowCount(), inRuns, rowTime);
  if (sender == lbxTLM) {
    TLMRange = range;
    ChrtTLM->replotWhenShown();  // the band
  } else {
    CRDRange = range;
    ChrtCRD->replotWhenShown();
    HighlightTrajectoryRange();
  }
}

void TfmMainFrm::SelectTLMRow(int index) {
  lbxTLM->SelectFromChart(index);
  lbListingClick(lbxTLM);
}

void TfmMainFrm::SelectCRDRow(int index) {
  lbxCRD->SelectFromChart(index);
  lbListingClick(lbxCRD);
}

// ---------------------------------------------------------------- initial-data fields

namespace {

using Filter = dv::TKeyValidator::Filter;

struct FieldRule {
  Filter filter;
  void (TfmMainFrm::*mark)(bool);
};

// Each field's key filter and the file whose modified flag it sets.
const FieldRule* RuleFor(const QLineEdit* field) {
  static const std::map<QString, FieldRule> rules = {
      {"edtStation", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtH0", {Filter::SignedInteger, &TfmMainFrm::SetInfoModified}},
      {"edtLong", {Filter::SignedReal, &TfmMainFrm::SetInfoModified}},
      {"edtLat", {Filter::SignedReal, &TfmMainFrm::SetInfoModified}},
      {"edtP0", {Filter::UnsignedReal, &TfmMainFrm::SetInfoModified}},
      {"edtT0", {Filter::SignedReal, &TfmMainFrm::SetTLMModified}},
      {"edtU0", {Filter::Digits, &TfmMainFrm::SetTLMModified}},
      {"edtD0", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtV0", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtClouds", {Filter::DigitsSlash, &TfmMainFrm::SetInfoModified}},
      {"edtRaRa", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtDt0", {Filter::SignedInteger, &TfmMainFrm::SetInfoModified}},
      {"edtDu0", {Filter::SignedInteger, &TfmMainFrm::SetInfoModified}},
      {"edtDay", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtMonth", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtYear", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtHour", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtMin", {Filter::Digits, &TfmMainFrm::SetInfoModified}},
      {"edtSR0", {Filter::UnsignedReal, &TfmMainFrm::SetCRDModified}},
      {"edtAz0", {Filter::UnsignedReal, &TfmMainFrm::SetCRDModified}},
      {"edtEl0", {Filter::SignedReal, &TfmMainFrm::SetCRDModified}},
  };
  const auto rule = rules.find(field->objectName());
  return rule == rules.end() ? nullptr : &rule->second;
}

}  // namespace

int TypingLimit(const QLineEdit* field) { return field->property(kTypingLimit).toInt(); }

void TfmMainFrm::InstallFieldHandlers() {
  for (QLineEdit* e : findChildren<QLineEdit*>()) {
    if (!e->objectName().startsWith(QStringLiteral("edt"))) continue;
    e->installEventFilter(this);
    // A paste is not filtered, but a control character in it is refused like a
    // typed one (a line break would split the line in the file), and the text is
    // held to the field's length like typing.
    connect(e, &QLineEdit::textEdited, this, [this, e](const QString& edited) {
      QString text = edited;
      int caret = e->cursorPosition();
      bool refused = false;
      for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (text[i].unicode() >= 0x20) continue;
        text.remove(i, 1);
        if (i < caret) --caret;
        refused = true;
      }
      if (refused) dialogs_->beep();
      if (const int limit = TypingLimit(e); limit > 0 && text.size() > limit) {
        text.truncate(limit);
        caret = std::min(caret, limit);
      }
      if (text == edited) return;
      e->setText(text);
      e->setModified(true);
      e->setCursorPosition(caret);
    });
  }
}

bool TfmMainFrm::FieldKeyPress(QLineEdit* field, QKeyEvent* event) {
  const FieldRule* rule = RuleFor(field);
  if (!rule) return false;
  // Focus keys move between the fields; they are not typed characters.
  if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) return false;

  // Keys that produce no character (arrows, Home, Delete, Shift) move the caret
  // or edit as usual and are not typed characters.
  char key = 0;
  if (event->key() == Qt::Key_Backspace) {
    key = dv::kBackspace;
  } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    key = '\r';
  } else if (event->key() == Qt::Key_Escape) {
    key = '\x1b';
  } else {
    const QString text = event->text();
    if (text.isEmpty()) return false;
    const QChar ch = text.front();
    key = ch.unicode() < 0x80 ? static_cast<char>(ch.unicode()) : '\x7f';
  }

  const int caret = field->hasSelectedText() ? field->selectionStart() : field->cursorPosition();
  const char accepted = dv::TKeyValidator::Apply(rule->filter, key, field->text().toStdString(), caret);
  // A flight for viewing only takes no edit at all, not even the mark of one.
  if (accepted == 0 || ViewOnly) {
    dialogs_->beep();
    return true;  // dropped
  }
  SetFieldColour(field, fieldcolour::kWindow);
  (this->*rule->mark)(true);
  if (field->isReadOnly()) return true;  // marked, but the text stays as it is
  const bool typed = accepted != dv::kBackspace;
  const int limit = TypingLimit(field);
  if (typed && limit > 0 && field->text().size() - field->selectedText().size() >= limit)
    return true;  // a full field takes no more characters, silently
  if (accepted != key) {  // a "," typed as "."
    field->insert(QString(QLatin1Char(accepted)));
    return true;
  }
  return false;  // the field takes the key itself
}

void TfmMainFrm::FieldEnter(QLineEdit* field) {
  entered_[field] = FieldEntry{field->text(), FieldColour(field), ModifiedBits()};
}

void TfmMainFrm::FieldExit(QLineEdit* field) {
  // Also catches changes made without typing, such as a paste.
  if (!field->isModified() || ViewOnly) return;
  const FieldRule* rule = RuleFor(field);
  if (!rule) return;
  (this->*rule->mark)(true);
  // Left with another text than it had on entering: one step of the history.
  const auto entry = entered_.find(field);
  if (entry == entered_.end() || entry->second.text == field->text()) return;
  dv::EditStep step;
  step.kind = dv::EditStep::Kind::Field;
  step.field = field->objectName().toStdString();
  step.fieldCaption = field->objectName().mid(3).toStdString();  // "edtP0" -> "P0"
  step.oldText = entry->second.text.toStdString();
  step.newText = field->text().toStdString();
  step.files = rule->mark == &TfmMainFrm::SetTLMModified ? kTlmBit : kInfoBit;
  step.stateBefore = entry->second.modified;
  step.extra = entry->second.colour;
  Record(std::move(step));
  FieldEnter(field);  // a second exit without typing adds nothing
}

bool TfmMainFrm::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (!field) return QMainWindow::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // The window's own shortcuts win over the field's (Ctrl+C toggles points, not copies).
      auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence pressed(key->keyCombination());
      for (QAction* a : findChildren<QAction*>()) {
        if (!a->shortcut().isEmpty() && a->shortcut() == pressed) {
          event->ignore();
          return true;
        }
      }
      break;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      // Keys held with Ctrl or Alt are commands, not typing: a refused control character.
      if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        // Ctrl+Backspace types a control character too (it would delete a word unfiltered).
        if ((key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) || key->key() == Qt::Key_Backspace) {
          dialogs_->beep();
          return true;
        }
        return false;
      }
      return FieldKeyPress(field, key);
    }
    case QEvent::FocusIn:
      FieldEnter(field);
      break;
    case QEvent::FocusOut:
      FieldExit(field);
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}
