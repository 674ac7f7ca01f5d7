// .info reader and writers: any bytes and any file name give a result (never an
// exception); what was read writes out, new or updated, for any zone -12..12,
// and a new file reads back to the same fields.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "flight/InfoFile.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_read_info: %s\n", what);
  std::abort();
}

// The fields a new file carries exactly (the reals go out rounded).
void CheckSameExactFields(const dv::InitialData& a, const dv::InitialData& b) {
  if (a.StationSynopticIndex != b.StationSynopticIndex) Fail("StationSynopticIndex changed");
  if (a.StartYear != b.StartYear || a.StartMonth != b.StartMonth || a.StartDay != b.StartDay ||
      a.StartHour != b.StartHour || a.StartMinute != b.StartMinute)
    Fail("start changed");
  if (a.NebulosityCode != b.NebulosityCode) Fail("NebulosityCode changed");
  if (a.RadioZondType > 0 && a.RadioZondType != b.RadioZondType) Fail("RadioZondType changed");
  if (a.ExtraLines != b.ExtraLines) Fail("unknown lines changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool reset = in.ConsumeBool();
  const int zone = in.ConsumeIntegralInRange<int>(-12, 12);
  const std::string fileName = in.ConsumeRandomLengthString(64);
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  dv::InitialData info;
  const dv::InfoReadResult result = dv::ParseInfo(bytes, fileName, reset, info);
  if (!result.ok && result.messages.empty()) Fail("failed read without a message");

  (void)info.StartTime();
  const std::string fresh = dv::FormatNewInfo(info, zone);
  const std::string updated = dv::UpdateInfoBytes(bytes, info, zone);

  // Both written forms must read again, without a zone shift the new one to the same fields.
  dv::InitialData back;
  (void)dv::ParseInfo(fresh, fileName, true, back);
  if (zone == 0) CheckSameExactFields(info, back);
  dv::InitialData backUpdated;
  (void)dv::ParseInfo(updated, fileName, false, backUpdated);

  // The edit fields, typed from the same bytes.
  dv::InfoFieldTexts fields;
  fields.P0 = bytes.substr(0, 8);
  fields.D0 = bytes.size() > 8 ? bytes.substr(8, 4) : "";
  fields.V0 = bytes.size() > 12 ? bytes.substr(12, 3) : "";
  fields.Clouds = bytes.size() > 15 ? bytes.substr(15, 5) : "";
  fields.RaRa = bytes.size() > 20 ? bytes.substr(20, 2) : "";
  (void)dv::TakeInfoFields(fields, info);
  (void)dv::FormatNewInfo(info, -zone);
  return 0;
}
