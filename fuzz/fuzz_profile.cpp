// Profile (.CNF) files: reads, section tests and writes with names and values
// from the input. A write that is accepted must read back, and must leave every
// other key's value as it was.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/ProfileFile.h"
#include "common/Helpers.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_profile: %s\n", what);
  std::abort();
}

bool SameName(std::string_view a, std::string_view b) {
  a = dv::Trim(a);
  b = dv::Trim(b);
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(24);
  const std::string key = in.ConsumeRandomLengthString(24);
  const std::string value = in.ConsumeRandomLengthString(2100);
  const std::string otherSection = in.ConsumeRandomLengthString(24);
  const std::string otherKey = in.ConsumeRandomLengthString(24);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  dv::ProfileFile profile(bytes);
  const char* const def = "\x01none";
  (void)profile.Read(section, key, def);
  (void)profile.HasSection(section);
  (void)profile.Read("OPTIONS", "Path", "");
  const std::string otherBefore = profile.Read(otherSection, otherKey, def);
  if (otherBefore.size() > dv::ProfileFile::kMaxValueLength) Fail("value longer than the limit");

  if (!profile.Write(section, key, value)) {
    if (profile.Bytes() != bytes) Fail("a refused write changed the bytes");
    return 0;
  }
  const std::string expected(dv::Trim(value).substr(0, dv::ProfileFile::kMaxValueLength));
  if (profile.Read(section, key, def) != expected) Fail("written value does not read back");
  if (!profile.HasSection(section)) Fail("written section has no key");
  if (!(SameName(section, otherSection) && SameName(key, otherKey)) &&
      profile.Read(otherSection, otherKey, def) != otherBefore)
    Fail("write changed another key");

  // Writing it again changes nothing more. Blanks after "=" are kept only while a
  // value follows them, so an empty value, or one that starts with a blank, may
  // still trim them the second time; the value read is the same either way.
  const std::string once = profile.Bytes();
  if (!profile.Write(section, key, value)) Fail("second write refused");
  if (profile.Read(section, key, def) != expected) Fail("second write does not read back");
  if (!value.empty() && value[0] != ' ' && value[0] != '\t' && profile.Bytes() != once)
    Fail("second write changed the bytes");
  return 0;
}
