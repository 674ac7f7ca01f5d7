#pragma once
// Reading a flight: its .info, .tu and .crd with the originals NAME.org.*, and
// what the reading found, as data. The window, the checker and the report all
// read a flight through LoadFlightFiles and tell its outcome in their own words.

#include <optional>
#include <string>

#include "flight/Flight.h"
#include "open/Checks.h"

namespace dv {

// One file of the flight as the reading met it.
struct FileState {
  std::string path;
  bool exists = false;   // something is under the name
  bool regular = false;  // a regular file: a FIFO or a device is never read
  bool read = false;     // read whole
  std::string error;     // why it was not, when it exists (the reader's text, or kNotAFile)
  bool failed() const { return exists && !read; }
};

struct LoadOptions {
  // The working point files' bytes are kept for the listings.
  bool keepBytes = false;
  // Every file is read even after one failed (the checker names them all); else
  // the reading ends at the first failure, as an open does.
  bool readOnAfterError = false;
  // Fields that NAME.org.info lacks keep the flight's previous original (the
  // window, which reads over the flight it had); else they start from the .info.
  bool orgInfoOverPrevious = false;
  // Without a NAME.org.tu/.crd its array holds the working file's points.
  bool originalsFromWorking = true;
};

struct FlightLoad {
  // In reading order: .info, .org.info, .tu, .crd, .org.crd, .org.tu.
  FileState info, orgInfo, tu, crd, orgCrd, orgTu;
  InfoReadResult infoRead;
  InfoReadResult orgInfoRead;  // when NAME.org.info was read
  std::string tuBytes, crdBytes;  // with keepBytes
  bool stopped = false;  // a file failed and the rest were not read
  // An original holds fewer points than its working file: the flight is for viewing only.
  bool tuShorter = false, crdShorter = false;
  bool viewOnly() const { return tuShorter || crdShorter; }
  // The last time in order before the times first run backwards.
  std::optional<double> tuTimeFailure, crdTimeFailure;
  bool flaggedTelemetry = false;  // points after point 0 flagged as out of range on reading
  ValueCounts counts;
};

// Reads the flight of `infoPath` into `flight` (its names, both initial data,
// the four arrays); what `flight` held before is replaced, but for the start
// fields that a .info without them keeps, and orgInfoOverPrevious. Never throws
// for a file's sake: each file's outcome is in the result.
FlightLoad LoadFlightFiles(const std::string& infoPath, Flight& flight, const LoadOptions& options = {});

}  // namespace dv
