// Saving a flight with its original copies, on real files. Each input makes a
// fresh folder with NAME.tu, NAME.crd and NAME.info from its bytes, opens them
// with the readers, excludes stretches, shifts times and types field values,
// then saves once or twice with the originals kept, sometimes with the save made
// to fail. After every save:
// - a refused field touched no file;
// - a failed save left every file (bytes, permissions) and the folder listing as
//   they were;
// - a successful save left the delivered bytes in NAME.org.* without any write
//   permission, wrote the own file as the points or fields now held, changed no
//   other file, and a second save does not touch the original copy;
// - a saved .info holds no control byte inside a value of a known key;
// - no temporary file is left in the folder.
// The size-limited reader is checked on the delivered files as well.

#include <fuzzer/FuzzedDataProvider.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/FileIO.h"
#include "editing/PointEditing.h"
#include "flight/InfoFile.h"
#include "flight/PointFiles.h"
#include "flight/Saving.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "fuzz_save: %s %s\n", what, detail.c_str());
  std::abort();
}

constexpr const char* kRoot = "/tmp/devirarav-fuzz-save";
constexpr const char* kName = "20251014-1130";

// What a folder holds: each entry's kind, permission bits and, for a file, bytes.
struct Entry {
  fs::file_type type = fs::file_type::none;
  unsigned mode = 0;
  std::string bytes;
  bool operator==(const Entry&) const = default;
};
struct Folder {
  bool exists = false;
  std::map<std::string, Entry> entries;
  bool operator==(const Folder&) const = default;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Folder Snapshot(const std::string& dir) {
  Folder f;
  std::error_code ec;
  f.exists = fs::is_directory(dir, ec);
  if (!f.exists) return f;
  for (const auto& e : fs::directory_iterator(dir)) {
    Entry entry;
    const auto st = e.symlink_status();
    entry.type = st.type();
    entry.mode = static_cast<unsigned>(st.permissions()) & 0777u;
    if (entry.type == fs::file_type::regular) entry.bytes = Slurp(e.path());
    f.entries[e.path().filename().string()] = std::move(entry);
  }
  return f;
}

std::string Describe(const Folder& a, const Folder& b) {
  std::string s;
  for (const auto& [name, e] : a.entries) {
    const auto it = b.entries.find(name);
    if (it == b.entries.end())
      s += " -" + name;
    else if (!(it->second == e))
      s += " ~" + name;
  }
  for (const auto& [name, e] : b.entries)
    if (!a.entries.count(name)) s += " +" + name;
  return s;
}

void CheckNoTemporary(const Folder& f) {
  for (const auto& [name, e] : f.entries)
    if (name.find(".~") != std::string::npos && name.size() > 4 && name.ends_with(".tmp"))
      Fail("temporary file left after a save:", name);
}

void Put(const std::string& path, const std::string& bytes, unsigned mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  fs::permissions(path, static_cast<fs::perms>(mode), fs::perm_options::replace);
}

// A name that exists but cannot be read: a socket for the superuser, who reads
// any file whatever its permissions, an unreadable file for anyone else.
void PutUnreadable(const std::string& path) {
  if (::geteuid() != 0) {
    Put(path, "x", 0);
    return;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) Fail("socket");
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) Fail("socket path too long");
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) Fail("bind");
  ::close(fd);
}

unsigned ModeFrom(int choice) {
  static const unsigned modes[] = {0644, 0444, 0664, 0600};
  return modes[choice & 3];
}

bool Close(double written, double read, double step) {
  return std::fabs(written - read) <= step + 1e-6 * std::fabs(written);
}

// How a save is made to fail, if at all.
enum class Breakage {
  None,
  OwnIsFolder,     // the flight's own file has become a folder
  FolderGone,      // the flight's folder was removed
  TargetMissing,   // the file written lies in a folder that does not exist
  TargetUnusable,  // the file written is a folder (.tu, .crd) or cannot be read (.info)
};

Breakage BreakageFrom(int choice) {
  switch (choice) {
    case 4:
      return Breakage::OwnIsFolder;
    case 5:
      return Breakage::FolderGone;
    case 6:
      return Breakage::TargetMissing;
    case 7:
      return Breakage::TargetUnusable;
    default:
      return Breakage::None;
  }
}

// One part of the flight (.tu, .crd or .info) as delivered.
struct Part {
  std::string ext;
  bool delivered = false;
  unsigned mode = 0644;
  bool orgBefore = false;  // a NAME.org.* is there already (an earlier save)
  std::string bytes;
};

struct Input {
  std::string folder, base;
  std::string orgBytes;
  int readLimit = 0;
};

Part TakePart(FuzzedDataProvider& in, const char* ext) {
  Part p;
  p.ext = ext;
  p.delivered = in.ConsumeIntegralInRange<int>(0, 7) != 0;  // mostly there
  p.mode = ModeFrom(in.ConsumeIntegralInRange<int>(0, 3));
  p.orgBefore = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  return p;
}

// The part from the input, and the flight's other two files, which no save of
// this part may touch.
void Deliver(const Input& x, const Part& p) {
  if (p.delivered) Put(x.base + p.ext, p.bytes, p.mode);
  if (p.orgBefore) Put(x.base + ".org" + p.ext, x.orgBytes, 0444);
  for (const char* ext : {".tu", ".crd", ".info"})
    if (p.ext != ext) Put(x.base + ext, x.orgBytes, 0644);
}

void CheckLimitedRead(const Input& x, const Part& p) {
  if (!p.delivered) return;
  std::string bytes = "stale";
  const auto limit = static_cast<std::size_t>(x.readLimit);
  const dv::IoResult r = dv::ReadFileBytes(x.base + p.ext, bytes, limit);
  if (p.bytes.size() > limit) {
    if (r.ok || r.error != dv::kFileTooLarge) Fail("a file over the limit was read");
    if (!bytes.empty()) Fail("a refused read left bytes");
  } else {
    if (!r.ok) Fail("a file within the limit was refused:", r.error);
    if (bytes != p.bytes) Fail("the bytes read are not the file's");
  }
}

// Sets up the breakage for the coming save; returns the file name to save to.
std::string Break(const Input& x, const Part& p, Breakage b) {
  const std::string own = x.base + p.ext;
  switch (b) {
    case Breakage::None:
      break;
    case Breakage::OwnIsFolder: {
      std::error_code ec;
      fs::remove(own, ec);
      fs::create_directory(own, ec);
      fs::create_directory(own + "/inside", ec);  // not an empty folder either
      break;
    }
    case Breakage::FolderGone:
      fs::remove_all(x.folder);
      break;
    case Breakage::TargetMissing:
      return x.folder + "/gone/" + kName + p.ext;
    case Breakage::TargetUnusable: {
      const std::string target = x.folder + "/target" + p.ext;
      if (p.ext == ".info")
        PutUnreadable(target);
      else
        fs::create_directory(target);
      return target;
    }
  }
  return own;
}

// A save that must fail: a breakage, or an own file that may not be written
// with no copy to make first.
bool MustFail(const Folder& before, const Part& p, Breakage b) {
  if (b != Breakage::None) return true;
  const auto own = before.entries.find(std::string(kName) + p.ext);
  const bool orgThere = before.entries.count(std::string(kName) + ".org" + p.ext) > 0;
  return own != before.entries.end() && own->second.type == fs::file_type::regular &&
         (own->second.mode & 0200u) == 0 && orgThere;
}

// A save that may fail: an own file that may not be written, whose copy is still
// to be made. Moving it aside as the copy lets the save go on; copying it leaves
// a file that may not be written, and the save is refused. Either way is whole.
bool MayFail(const Folder& before, const Part& p, Breakage b) {
  if (MustFail(before, p, b)) return true;
  const auto own = before.entries.find(std::string(kName) + p.ext);
  return own != before.entries.end() && own->second.type == fs::file_type::regular &&
         (own->second.mode & 0200u) == 0;
}

// A point file with no point has nothing to be saved into: refused, nothing touched.
void CheckNothingToSave(const Input& x, const Folder& before, const dv::SaveOutcome& outcome,
                        const char* message) {
  if (outcome.status != dv::SaveStatus::Failed || outcome.message != message)
    Fail("a save with no point was not refused as such");
  if (!(Snapshot(x.folder) == before)) Fail("a save with no point touched files");
}

// The checks common to all three parts; `written` is what the own file must hold
// after a successful save.
void CheckSave(const Input& x, const Part& p, const Folder& before, const dv::SaveOutcome& outcome,
               Breakage b, const std::string& written, const char* which) {
  const Folder after = Snapshot(x.folder);
  CheckNoTemporary(after);
  const std::string ownName = std::string(kName) + p.ext;
  const std::string orgName = std::string(kName) + ".org" + p.ext;

  switch (outcome.status) {
    case dv::SaveStatus::Refused:
      if (outcome.field.empty() || outcome.message != dv::kInvalidValue)
        Fail("refusal without its field or text");
      if (!(after == before)) Fail("a refused save touched files:", Describe(before, after));
      return;
    case dv::SaveStatus::Failed:
      if (outcome.message.rfind(dv::kSaveError, 0) != 0) Fail("failure without its text");
      if (!MayFail(before, p, b)) Fail("a save failed for no reason:", which);
      if (!(after == before)) Fail("a failed save changed files:", Describe(before, after));
      return;
    case dv::SaveStatus::Saved:
      break;
  }
  if (MustFail(before, p, b)) Fail("a save that had to fail succeeded:", which);

  // The original copy: made now from the delivered file, or left as it was.
  const auto ownBefore = before.entries.find(ownName);
  const auto orgBefore = before.entries.find(orgName);
  const auto orgAfter = after.entries.find(orgName);
  if (orgBefore != before.entries.end()) {
    if (orgAfter == after.entries.end() || !(orgAfter->second == orgBefore->second))
      Fail("an existing original copy was changed:", which);
  } else if (ownBefore != before.entries.end() &&
             ownBefore->second.type == fs::file_type::regular) {
    if (orgAfter == after.entries.end()) Fail("no original copy made:", which);
    if (orgAfter->second.bytes != ownBefore->second.bytes)
      Fail("the original copy is not the delivered file:", which);
    if ((orgAfter->second.mode & 0222u) != 0) Fail("the original copy may be written:", which);
  } else if (orgAfter != after.entries.end()) {
    Fail("an original copy of nothing:", which);
  }

  const auto ownAfter = after.entries.find(ownName);
  if (ownAfter == after.entries.end() || ownAfter->second.type != fs::file_type::regular)
    Fail("no own file after a save:", which);
  if (ownAfter->second.bytes != written) Fail("the own file does not hold what was saved:", which);
  if ((ownAfter->second.mode & 0200u) == 0) Fail("the own file was written read-only:", which);

  for (const auto& [name, e] : before.entries) {
    if (name == ownName || name == orgName) continue;
    const auto it = after.entries.find(name);
    if (it == after.entries.end() || !(it->second == e)) Fail("a save changed another file:", name);
  }
  for (const auto& [name, e] : after.entries)
    if (name != orgName && name != ownName && !before.entries.count(name))
      Fail("a save left a new file:", name);
}

void ToggleFrom(FuzzedDataProvider& in, dv::TuArray& tu, dv::CrdArray& crd) {
  const int toggles = in.ConsumeIntegralInRange<int>(0, 3);
  for (int i = 0; i < toggles; ++i) {
    dv::TSelectedRange r;
    r.StartRow = in.ConsumeIntegralInRange<int>(-1, 40);
    r.EndRow = in.ConsumeIntegralInRange<int>(-1, 40);
    r.StartTime = r.EndTime = 0;
    if (in.ConsumeBool())
      dv::ToggleTelemetry(tu, r);
    else
      dv::ToggleCoordinates(crd, r);
  }
  if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
    const int shift = in.ConsumeIntegralInRange<int>(-dv::kMaxTimeShift, dv::kMaxTimeShift);
    dv::ShiftTimesFrom(tu, 1, shift);
    dv::ShiftTimesFrom(crd, 1, shift);
  }
}

// The written points read back as the included ones, point 0 always among them.
void CheckReadBack(const std::string& file, const dv::TuArray& saved) {
  dv::TuArray back(0);
  try {
    dv::ReadTu(file, back);
  } catch (const dv::FileReadError& e) {
    Fail("a saved .tu does not read back:", e.what());
  }
  int k = 0;
  for (int i = 0; i < saved.Count(); ++i) {
    const dv::TuPoint& p = saved[i];
    if (i == 0 && (p.TExcluded || p.UExcluded)) Fail("the surface point was left out");
    if (p.TExcluded || p.UExcluded) continue;
    if (k >= back.Count()) Fail("fewer .tu points read back than saved");
    const dv::TuPoint& q = back[k++];
    if (!Close(p.Time, q.Time, 0.0051) || !Close(p.T, q.T, 0.0051) || !Close(p.U, q.U, 0.0051))
      Fail(".tu point changed on the way back");
  }
  if (k != back.Count()) Fail("more .tu points read back than saved");
}

void CheckReadBack(const std::string& file, const dv::CrdArray& saved) {
  dv::CrdArray back(0);
  try {
    dv::ReadCrd(file, back);
  } catch (const dv::FileReadError& e) {
    Fail("a saved .crd does not read back:", e.what());
  }
  int k = 0;
  for (int i = 0; i < saved.Count(); ++i) {
    const dv::CrdPoint& p = saved[i];
    if (i == 0 && p.Excluded) Fail("the launch point was left out");
    if (p.Excluded) continue;
    if (k >= back.Count()) Fail("fewer .crd points read back than saved");
    const dv::CrdPoint& q = back[k++];
    // A missing-value mark (kept as read) on the always-written launch point goes
    // back as the mark it was, so it too must read back to the same value.
    if (!Close(p.Time, q.Time, 0.0051) || !Close(p.SR, q.SR, 0.0051) ||
        !Close(p.Az, q.Az, 0.51e-6 * dv::kRadToDeg) || !Close(p.El, q.El, 0.51e-6 * dv::kRadToDeg))
      Fail(".crd point changed on the way back:",
           std::to_string(i) + ": " + std::to_string(p.Time) + " " + std::to_string(p.SR) + " " +
               std::to_string(p.Az) + " " + std::to_string(p.El) + " -> " + std::to_string(q.Time) +
               " " + std::to_string(q.SR) + " " + std::to_string(q.Az) + " " +
               std::to_string(q.El));
  }
  if (k != back.Count()) Fail("more .crd points read back than saved");
}

void SameStartFields(const dv::InitialData& a, const dv::InitialData& b) {
  if (a.StationSynopticIndex != b.StationSynopticIndex || a.NebulosityCode != b.NebulosityCode ||
      a.StartYear != b.StartYear || a.StartMonth != b.StartMonth || a.StartDay != b.StartDay ||
      a.StartHour != b.StartHour || a.StartMinute != b.StartMinute || a.ExtraLines != b.ExtraLines)
    Fail("a new .info reads back to other fields");
  if (a.RadioZondType > 0 && a.RadioZondType != b.RadioZondType)
    Fail("a new .info reads back to another type");
}

// A saved .info holds no byte below 0x20 inside a value of a known key: the cloud
// code as taken (a line break there would be cut off at the next read) and every
// entry line of a known key the file now holds.
void CheckNoControlInValues(const std::string& file, const dv::InitialData& info) {
  if (dv::HasControlByte(info.NebulosityCode)) Fail("a cloud code with a control byte was saved");
  const std::string bytes = Slurp(file);
  for (std::string_view line : dv::SplitLines(bytes)) {
    const std::size_t sep = line.find(":\t");
    if (sep == std::string_view::npos) continue;
    bool known = false;
    for (const dv::InfoKey& k : dv::InfoKeys()) known |= line.substr(0, sep) == k.key;
    if (known && dv::HasControlByte(line.substr(sep + 2))) Fail("a control byte in a written value:", std::string(line));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Input x{std::string(kRoot) + "/" + std::to_string(::getpid()), {}, {}, 0};
  x.base = x.folder + "/" + kName;

  // Integers from the back of the input.
  const int which = in.ConsumeIntegralInRange<int>(0, 2);  // .tu, .crd, .info
  Part part = TakePart(in, which == 0 ? ".tu" : which == 1 ? ".crd" : ".info");
  const bool twice = in.ConsumeBool();
  const Breakage breakage = BreakageFrom(in.ConsumeIntegralInRange<int>(0, 7));
  const bool fieldsChanged = in.ConsumeBool();
  const int zone =
      in.ConsumeIntegralInRange<int>(-12, 12) * (in.ConsumeIntegralInRange<int>(0, 3) == 0);
  x.readLimit = in.ConsumeIntegralInRange<int>(0, 2048);

  // Strings from the front.
  part.bytes = in.ConsumeRandomLengthString(2048);
  x.orgBytes = in.ConsumeRandomLengthString(64);
  std::string texts[5];
  for (std::string& t : texts) t = in.ConsumeRandomLengthString(12);

  std::error_code ec;
  fs::remove_all(x.folder, ec);
  fs::create_directories(x.folder);
  Deliver(x, part);
  CheckLimitedRead(x, part);
  const std::string own = x.base + part.ext;

  // Opened as the window opens a flight: a reader error ends the open.
  dv::TuArray tu(0);
  dv::CrdArray crd(0);
  dv::InitialData info;
  try {
    std::string bytes;
    if (part.ext == ".tu" && dv::FileExists(own)) dv::ReadTu(own, tu, bytes);
    if (part.ext == ".crd" && dv::FileExists(own)) dv::ReadCrd(own, crd, bytes);
    if (part.delivered && part.ext != ".info" && bytes != part.bytes)
      Fail("the reader's bytes are not the file's");
  } catch (const dv::FileReadError&) {
    fs::remove_all(x.folder, ec);
    return 0;
  }
  if (part.ext == ".info" && !dv::ReadInfo(own, true, info).ok) {
    fs::remove_all(x.folder, ec);
    return 0;
  }

  for (int round = 0; round < (twice ? 2 : 1); ++round) {
    const bool last = round == (twice ? 1 : 0);
    const Breakage b = last ? breakage : Breakage::None;
    ToggleFrom(in, tu, crd);
    const std::string fileName = Break(x, part, b);
    const Folder before = Snapshot(x.folder);
    const bool ownThere = dv::FileExists(fileName);
    const std::string oldOwn = ownThere ? Slurp(fileName) : std::string();
    const bool copyToMake =
        !before.entries.count(std::string(kName) + ".org" + part.ext) && ownThere;
    const char* const label = round == 0 ? "first save" : "second save";

    dv::SaveOutcome outcome;
    std::string written;
    if (part.ext == ".tu") {
      const dv::TuFieldTexts f{texts[0], texts[1], fieldsChanged};
      const dv::TuArray held = [&] {
        dv::TuArray a(0);
        a.Assign(tu);
        return a;
      }();
      outcome = dv::SaveTu(fileName, true, x.base, f, info, tu);
      if (outcome.status == dv::SaveStatus::Refused &&
          dv::FormatTuLines(held) != dv::FormatTuLines(tu))
        Fail("a refused save changed the points");
      if (outcome.ok() && tu.Count() > 0 && fieldsChanged &&
          (tu[0].T != static_cast<float>(info.T0) || tu[0].U != static_cast<float>(info.U0)))
        Fail("the surface point does not hold the typed values");
      written = dv::FormatTuLines(tu);
      if (held.Count() == 0) {
        CheckNothingToSave(x, before, outcome, dv::kNoTuPoints);
      } else {
        CheckSave(x, part, before, outcome, b, written, label);
        if (outcome.ok()) CheckReadBack(fileName, tu);
      }
    } else if (part.ext == ".crd") {
      const dv::CrdFieldTexts f{texts[0], texts[1], texts[2], fieldsChanged};
      const bool none = crd.Count() == 0;
      outcome = dv::SaveCrd(fileName, true, x.base, f, info, crd);
      if (outcome.ok() && crd.Count() > 0 && fieldsChanged &&
          (crd[0].SR != info.SR0 || crd[0].Az != info.Az0 || crd[0].El != info.El0))
        Fail("the launch point does not hold the typed values");
      written = dv::FormatCrdLines(crd);
      if (none) {
        CheckNothingToSave(x, before, outcome, dv::kNoCrdPoints);
      } else {
        CheckSave(x, part, before, outcome, b, written, label);
        if (outcome.ok()) CheckReadBack(fileName, crd);
      }
    } else {
      const dv::InfoFieldTexts f{texts[0], texts[1], texts[2], texts[3], texts[4]};
      outcome = dv::SaveInfo(fileName, true, zone, x.base, f, info);
      // A copy made now takes the own file away first: the file is written new.
      written = (ownThere && !copyToMake) ? dv::UpdateInfoBytes(oldOwn, info, zone)
                                          : dv::FormatNewInfo(info, zone);
      CheckSave(x, part, before, outcome, b, written, label);
      if (outcome.ok()) CheckNoControlInValues(fileName, info);
      if (outcome.ok() && zone == 0 && !(ownThere && !copyToMake)) {
        dv::InitialData back;
        const dv::InfoReadResult r = dv::ReadInfo(fileName, true, back);
        if (!r.ok)
          Fail("a saved .info does not read back:", r.messages.empty() ? "" : r.messages[0]);
        SameStartFields(info, back);
      }
    }
    if (!outcome.ok()) break;
  }

  fs::remove_all(x.folder, ec);
  return 0;
}
