#pragma once
// The open flight: everything that lives for the whole run at program level.

#include <string>

#include "flight/InfoFile.h"
#include "flight/Points.h"

namespace dv {

struct Flight {
  // Folder and file name, without its last extension, of the open flight's .info;
  // empty until a flight is opened.
  std::string FlightBase;
  // The .info as chosen, its extension spelled as it was ("NAME.INFO" stays so on a
  // file system that tells case apart); reopening and saving use it.
  std::string InfoName;
  // Where the open dialog and the export start: the working folder at start, then
  // the configuration, a command-line argument, and each opened flight's folder.
  std::string StartDir;
  // The .info's bytes as opened: its original if the file is gone by the first save.
  std::string InfoAsOpened;
  InitialData Info;     // as edited
  InitialData OrgInfo;  // the original, for comparison
  FlightPoints Points;  // TuPoints, CrdPoints, TuOrgPoints, CrdOrgPoints
};

}  // namespace dv
