#include "editing/KeyValidator.h"

namespace dv {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "." only once in the whole text (a selection that would replace it does not count).
char Point(std::string_view text) { return text.find('.') == std::string_view::npos ? '.' : 0; }
}  // namespace

char TKeyValidator::FilterUnsignedReal(char key, std::string_view text) {
  if (key == ',') key = '.';
  if (key == kBackspace || IsDigit(key)) return key;
  if (key == '.') return Point(text);
  return 0;
}

char TKeyValidator::FilterDigitsSlash(char key) {
  return (key == kBackspace || key == '/' || IsDigit(key)) ? key : 0;
}

char TKeyValidator::FilterDigits(char key) { return (key == kBackspace || IsDigit(key)) ? key : 0; }

char TKeyValidator::FilterSignedInteger(char key) {
  return (key == kBackspace || key == '-' || IsDigit(key)) ? key : 0;
}

char TKeyValidator::FilterSignedReal(char key, std::string_view text, int caret) {
  if (key == '-') return caret == 0 ? key : 0;
  return FilterUnsignedReal(key, text);
}

char TKeyValidator::Apply(Filter filter, char key, std::string_view text, int caret) {
  switch (filter) {
    case Filter::UnsignedReal: return FilterUnsignedReal(key, text);
    case Filter::DigitsSlash: return FilterDigitsSlash(key);
    case Filter::Digits: return FilterDigits(key);
    case Filter::SignedInteger: return FilterSignedInteger(key);
    case Filter::SignedReal: return FilterSignedReal(key, text, caret);
  }
  return 0;
}

}  // namespace dv
