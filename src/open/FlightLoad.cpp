#include "open/FlightLoad.h"

#include <type_traits>

#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/PointFiles.h"

namespace dv {

namespace {

FileState Look(const std::string& path) {
  FileState s;
  s.path = path;
  s.exists = FileExists(path);
  s.regular = s.exists && IsRegularFile(path);
  return s;
}

// One point file through its reader; a reader's error is kept, never thrown on.
template <typename Array>
void ReadPoints(FileState& file, Array& points, std::string* bytes) {
  try {
    if constexpr (std::is_same_v<Array, TuArray>) {
      if (bytes) ReadTu(file.path, points, *bytes);
      else ReadTu(file.path, points);
    } else {
      if (bytes) ReadCrd(file.path, points, *bytes);
      else ReadCrd(file.path, points);
    }
    file.read = true;
  } catch (const FileReadError& e) {
    file.error = e.what();
  }
}

}  // namespace

FlightLoad LoadFlightFiles(const std::string& infoPath, Flight& f, const LoadOptions& options) {
  FlightLoad load;
  f.FlightBase = ChangeFileExtToNone(infoPath);
  f.InfoName = infoPath;
  f.StartDir = ExtractFilePath(infoPath);
  f.InfoAsOpened.clear();
  FlightPoints& p = f.Points;
  p.TuPoints.Clear();
  p.CrdPoints.Clear();
  p.TuOrgPoints.Clear();
  p.CrdOrgPoints.Clear();
  const std::string& base = f.FlightBase;
  const auto stop = [&load, &options](const FileState& file) {
    if (!file.failed() || options.readOnAfterError) return false;
    load.stopped = true;
    return true;
  };

  // A FIFO or a device under the name would mislead the reader: refused by name.
  load.info = Look(infoPath);
  if (load.info.exists && !load.info.regular) {
    load.info.error = kNotAFile + infoPath;
    load.stopped = true;
    return load;
  }
  load.infoRead = ReadInfo(infoPath, true, f.Info, &f.InfoAsOpened);
  load.info.read = load.infoRead.ok;
  if (!load.info.read) {
    // A missing .info fails here too, with the reader's own message.
    load.stopped = true;
    return load;
  }

  load.orgInfo = Look(base + ".org.info");
  if (load.orgInfo.exists && !load.orgInfo.regular) {
    load.orgInfo.error = kNotAFile + load.orgInfo.path;
  } else if (load.orgInfo.exists) {
    if (!options.orgInfoOverPrevious) f.OrgInfo = f.Info;
    // Its unknown lines are its own, not the flight's before.
    f.OrgInfo.ExtraLines.clear();
    load.orgInfoRead = ReadInfo(load.orgInfo.path, false, f.OrgInfo);
    load.orgInfo.read = load.orgInfoRead.ok;
    if (!load.orgInfo.read && load.orgInfoRead.messages.empty()) load.orgInfo.error = kInfoFileError;
    else if (!load.orgInfo.read) load.orgInfo.error = load.orgInfoRead.messages.back();
  } else {
    f.OrgInfo = f.Info;
  }
  if (stop(load.orgInfo)) return load;

  load.tu = Look(base + ".tu");
  if (load.tu.exists) ReadPoints(load.tu, p.TuPoints, options.keepBytes ? &load.tuBytes : nullptr);
  if (stop(load.tu)) return load;
  load.crd = Look(base + ".crd");
  if (load.crd.exists) ReadPoints(load.crd, p.CrdPoints, options.keepBytes ? &load.crdBytes : nullptr);
  if (stop(load.crd)) return load;

  // An original with fewer points than its working file: points were added since
  // it was delivered, which no edit here can do. False when the reading ends here.
  const auto original = [&](FileState& file, const char* ext, auto& org, const auto& working, bool& shorter) {
    file = Look(base + ext);
    if (file.exists) {
      ReadPoints(file, org, nullptr);
      if (stop(file)) return false;
      shorter = file.read && org.Count() < working.Count();
    }
    if (options.originalsFromWorking && org.Count() == 0) org.Assign(working);
    return true;
  };
  if (!original(load.orgCrd, ".org.crd", p.CrdOrgPoints, p.CrdPoints, load.crdShorter)) return load;
  if (!original(load.orgTu, ".org.tu", p.TuOrgPoints, p.TuPoints, load.tuShorter)) return load;

  load.tuTimeFailure = FirstTimeFailure(p.TuPoints);
  load.crdTimeFailure = FirstTimeFailure(p.CrdPoints);
  load.flaggedTelemetry = HasFlaggedTelemetry(p.TuPoints);
  load.counts = CountValues(p.TuPoints, p.CrdPoints);
  return load;
}

}  // namespace dv
