#pragma once
// The .tu and .crd formats: readers that turn a file into point records with
// their range flags, and the line writers that write the included points back.

#include <stdexcept>
#include <string>
#include <string_view>

#include "common/FileIO.h"
#include "flight/Points.h"

namespace dv {

// Raised by the readers: a file that cannot be opened, or a malformed number.
// The records read before a malformed number stay in the array.
class FileReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kInvalidNumericInput = "Invalid numeric input";
// A FIFO, a device or a folder under a flight file's name is refused, never waited on.
inline constexpr const char* kNotAFile = "Не обычный файл: ";
// A point file beyond this is not a flight: 100,000 points take about 4 MB.
inline constexpr std::size_t kMaxPointFileBytes = std::size_t{256} << 20;
inline constexpr double kRadToDeg = 57.29577951308232;
inline constexpr double kDegToRad = 0.017453292519943295;

// Clear `points`, then fill it from the file. Returns true or raises FileReadError.
bool ReadTu(const std::string& fileName, TuArray& points);
bool ReadCrd(const std::string& fileName, CrdArray& points);
// The same, handing back the file's bytes for the listings (read once, not twice).
bool ReadTu(const std::string& fileName, TuArray& points, std::string& bytes);
bool ReadCrd(const std::string& fileName, CrdArray& points, std::string& bytes);

// The same over bytes already in memory (the file readers call these).
void ParseTu(std::string_view bytes, TuArray& points);
void ParseCrd(std::string_view bytes, CrdArray& points);

// The lines of the included points, tab-separated, each ended by CR LF.
std::string FormatTuLines(const TuArray& points);
std::string FormatCrdLines(const CrdArray& points);

// Write the included points to `fileName` (crash-safe: temporary file and rename).
IoResult WriteTuFile(const std::string& fileName, const TuArray& points);
IoResult WriteCrdFile(const std::string& fileName, const CrdArray& points);

// The range tests applied on reading.
void ApplyTuRangeFlags(TuPoint& p);

}  // namespace dv
