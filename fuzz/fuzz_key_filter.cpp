// The key filters of the initial-data fields, for any key, field text and caret,
// and for any run of keys typed into a field:
// - Apply gives what the filter of its kind gives;
// - a filter gives the key, a "." for a ",", or 0, and never a ",";
// - Backspace and the digits pass every filter; "/" only the digits-and-slash
//   one; "-" the signed integer one always, the signed real one at the start of
//   the field only; "." and "," the real ones while the text holds no "." yet;
//   every other key is refused;
// - typing into a field keeps it within the filter's characters, with at most
//   one "." in a real field.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editing/KeyValidator.h"

namespace {

using dv::TKeyValidator;
using Filter = TKeyValidator::Filter;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_key_filter: %s\n", what);
  std::abort();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsReal(Filter f) { return f == Filter::UnsignedReal || f == Filter::SignedReal; }

char ByKind(Filter f, char key, std::string_view text, int caret) {
  switch (f) {
    case Filter::UnsignedReal:
      return TKeyValidator::FilterUnsignedReal(key, text);
    case Filter::DigitsSlash:
      return TKeyValidator::FilterDigitsSlash(key);
    case Filter::Digits:
      return TKeyValidator::FilterDigits(key);
    case Filter::SignedInteger:
      return TKeyValidator::FilterSignedInteger(key);
    case Filter::SignedReal:
      return TKeyValidator::FilterSignedReal(key, text, caret);
  }
  Fail("unknown filter");
}

// What the rules above let through.
char Expected(Filter f, char key, std::string_view text, int caret) {
  if (key == dv::kBackspace || IsDigit(key)) return key;
  if (key == '/') return f == Filter::DigitsSlash ? key : 0;
  if (key == '-') {
    if (f == Filter::SignedInteger) return key;
    if (f == Filter::SignedReal) return caret == 0 ? key : 0;
    return 0;
  }
  if (key == '.' || key == ',')
    return IsReal(f) && text.find('.') == std::string_view::npos ? '.' : 0;
  return 0;
}

void CheckKey(Filter f, char key, std::string_view text, int caret) {
  const char got = TKeyValidator::Apply(f, key, text, caret);
  if (got != ByKind(f, key, text, caret)) Fail("Apply differs from the filter of its kind");
  if (got != 0 && got != key && !(key == ',' && got == '.')) Fail("filter gave another character");
  if (got == ',') Fail("a comma went into a field");
  if (got != Expected(f, key, text, caret)) Fail("filter breaks its rule");
}

bool Allowed(Filter f, char c) {
  if (IsDigit(c)) return true;
  switch (f) {
    case Filter::UnsignedReal:
      return c == '.';
    case Filter::DigitsSlash:
      return c == '/';
    case Filter::Digits:
      return false;
    case Filter::SignedInteger:
      return c == '-';
    case Filter::SignedReal:
      return c == '.' || c == '-';
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto f = static_cast<Filter>(in.ConsumeIntegralInRange<int>(0, 4));
  const std::string text = in.ConsumeRandomLengthString(32);
  const int caret = in.ConsumeIntegralInRange<int>(0, static_cast<int>(text.size()));

  // Every key on this text and caret.
  for (int k = -128; k < 128; ++k) CheckKey(f, static_cast<char>(k), text, caret);

  // Typing: keys at carets, from a field that starts empty or as the text with
  // the characters the filter would not take left out.
  std::string field;
  if (in.ConsumeBool()) {
    for (char c : text)
      if (Allowed(f, c) && !(c == '.' && field.find('.') != std::string::npos)) field += c;
  }
  while (in.remaining_bytes() > 0) {
    const char key = in.ConsumeIntegral<char>();
    const int at = in.ConsumeIntegralInRange<int>(0, static_cast<int>(field.size()));
    CheckKey(f, key, field, at);
    const char got = TKeyValidator::Apply(f, key, field, at);
    if (got == 0) continue;
    if (got == dv::kBackspace) {
      if (at > 0) field.erase(static_cast<std::size_t>(at - 1), 1);
    } else {
      field.insert(field.begin() + at, got);
    }
    for (char c : field)
      if (!Allowed(f, c)) Fail("typing put a character the filter refuses into the field");
    if (IsReal(f) && std::count(field.begin(), field.end(), '.') > 1)
      Fail("typing put a second '.' into the field");
  }
  return 0;
}
