#pragma once
// The per-field key filters of the initial-data page. A filter returns the
// character to insert (a "," may become "."), or 0 when the key is refused.

#include <string_view>

namespace dv {

inline constexpr char kBackspace = '\b';

class TKeyValidator {
 public:
  enum class Filter { UnsignedReal, DigitsSlash, Digits, SignedInteger, SignedReal };

  // `text` is the field's whole text, `caret` the start of its selection.
  static char Apply(Filter filter, char key, std::string_view text, int caret);

  static char FilterUnsignedReal(char key, std::string_view text);
  static char FilterDigitsSlash(char key);
  static char FilterDigits(char key);
  static char FilterSignedInteger(char key);
  static char FilterSignedReal(char key, std::string_view text, int caret);
};

}  // namespace dv
