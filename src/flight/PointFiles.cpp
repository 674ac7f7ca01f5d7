#include "flight/PointFiles.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/Helpers.h"

namespace dv {

namespace {

// Reads numbers the way the point files are laid out: any run of bytes above
// the blank is a number, anything at or below it separates numbers.
class NumberScanner {
 public:
  explicit NumberScanner(std::string_view bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

  void SkipBlanks() {
    while (p_ != end_ && static_cast<unsigned char>(*p_) <= ' ') ++p_;
  }
  bool AtEnd() const { return p_ == end_; }

  // The next number; 0 when it would start beyond the end of the input. Parsed
  // once, then the token must end where the number does.
  double Next() {
    SkipBlanks();
    if (p_ == end_) return 0.0;
    double value = 0.0;
    const char* end = ScanReal(p_, end_, value);
    if (!end || (end != end_ && static_cast<unsigned char>(*end) > ' ')) throw FileReadError(kInvalidNumericInput);
    p_ = end;
    return value;
  }

  // Up to and including the next line feed (a lone CR does not end a line).
  void SkipLine() {
    while (p_ != end_ && *p_ != '\n') ++p_;
    if (p_ != end_) ++p_;
  }

 private:
  const char* p_;
  const char* end_;
};

float ToSingle(double v) {
  // A value outside the 32-bit range cannot be held in a telemetry point.
  if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max()))
    throw FileReadError(kInvalidNumericInput);
  return static_cast<float>(v);
}

void ReadBytes(const std::string& fileName, std::string& bytes) {
  const IoResult r = ReadFileBytes(fileName, bytes, kMaxPointFileBytes);
  if (r.error == kFileTooLarge)
    throw FileReadError("Файл слишком велик для выпуска (более 256 МБ): " + fileName);
  if (r.error == kNotRegularFile) throw FileReadError(kNotAFile + fileName);
  if (!r) throw FileReadError("Cannot open file \"" + fileName + "\". " + r.error);
}

}  // namespace

void ApplyTuRangeFlags(TuPoint& p) {
  p.TExcluded = std::fabs(p.T) > 99.0f;
  p.UExcluded = p.U <= -15.0f || p.U > 115.0f;
  if (p.TExcluded || p.UExcluded) p.TExcluded = p.UExcluded = true;
}

// Room for the records the bytes can hold, reserved once instead of grown step
// by step: at most one per line, and each takes `numbers` tokens of at least two
// bytes. Whatever a file of blank lines made too much is given back afterwards.
template <typename Array>
void ReserveFor(std::string_view bytes, int numbers, Array& points) {
  std::size_t lines = 1;
  // memchr runs many bytes a step; a counting loop would cost as much as the parse.
  for (const char *p = bytes.data(), *end = p + bytes.size();
       (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr; ++p)
    ++lines;
  const std::size_t records = std::min({lines, bytes.size() / (2 * static_cast<std::size_t>(numbers)) + 1,
                                        static_cast<std::size_t>(std::numeric_limits<int>::max() / 2)});
  points.Reserve(points.Count() + static_cast<int>(records));
}

template <typename Array>
void GiveBackRoom(Array& points) {
  if (points.Capacity() > 2 * points.Count() + 4096) points.ShrinkToFit();
}

void ParseTu(std::string_view bytes, TuArray& points) {
  ReserveFor(bytes, 3, points);
  NumberScanner in(bytes);
  for (;;) {
    in.SkipBlanks();
    if (in.AtEnd()) break;
    TuPoint p;
    p.Time = ToSingle(in.Next());
    p.T = ToSingle(in.Next());
    p.U = ToSingle(in.Next());
    in.SkipLine();
    ApplyTuRangeFlags(p);
    points.Add(p);
  }
  GiveBackRoom(points);
}

void ParseCrd(std::string_view bytes, CrdArray& points) {
  ReserveFor(bytes, 4, points);
  NumberScanner in(bytes);
  for (;;) {
    in.SkipBlanks();
    if (in.AtEnd()) break;
    CrdPoint p;
    p.Time = in.Next();
    p.SR = in.Next();
    const double az = in.Next();
    const double el = in.Next();
    in.SkipLine();
    p.Excluded = p.SR < -99.0;
    // A missing-value mark stays as read; a real angle becomes degrees. An angle
    // too large for degrees (above about 3e306 rad) is kept as read and excluded
    // as well: in degrees it would be infinite and be written back as "INF".
    const auto degrees = [&p](double rad, bool& asRead) {
      const double deg = rad * kRadToDeg;
      if (rad >= -99.0 && std::isfinite(deg)) return deg;
      p.Excluded = true;
      asRead = true;
      return rad;
    };
    p.Az = degrees(az, p.AzAsRead);
    p.El = degrees(el, p.ElAsRead);
    points.Add(p);
  }
  GiveBackRoom(points);
}

bool ReadTu(const std::string& fileName, TuArray& points, std::string& bytes) {
  points.Clear();
  ReadBytes(fileName, bytes);
  ParseTu(bytes, points);
  return true;
}

bool ReadCrd(const std::string& fileName, CrdArray& points, std::string& bytes) {
  points.Clear();
  ReadBytes(fileName, bytes);
  ParseCrd(bytes, points);
  return true;
}

bool ReadTu(const std::string& fileName, TuArray& points) {
  std::string bytes;
  return ReadTu(fileName, points, bytes);
}

bool ReadCrd(const std::string& fileName, CrdArray& points) {
  std::string bytes;
  return ReadCrd(fileName, points, bytes);
}

std::string FormatTuLines(const TuArray& points) {
  std::string out;
  out.reserve(static_cast<std::size_t>(points.Count()) * 24);
  for (int i = 0; i < points.Count(); ++i) {
    const TuPoint& p = points[i];
    if (p.TExcluded || p.UExcluded) continue;
    AppendFixed(out, p.Time, 2);
    out += '\t';
    AppendFixed(out, p.T, 2);
    out += '\t';
    AppendFixed(out, p.U, 2);
    out += "\r\n";
  }
  return out;
}

std::string FormatCrdLines(const CrdArray& points) {
  std::string out;
  out.reserve(static_cast<std::size_t>(points.Count()) * 40);
  for (int i = 0; i < points.Count(); ++i) {
    const CrdPoint& p = points[i];
    if (p.Excluded) continue;
    AppendFixed(out, p.Time, 2);
    out += '\t';
    AppendFixed(out, p.SR, 2);
    out += '\t';
    // A mark goes back as it came: converted, a mark on the always-written launch
    // point (or on a point the observer restored) would come back as an angle.
    AppendFixed(out, p.AzAsRead ? p.Az : p.Az * kDegToRad, 6);
    out += '\t';
    AppendFixed(out, p.ElAsRead ? p.El : p.El * kDegToRad, 6);
    out += "\r\n";
  }
  return out;
}

IoResult WriteTuFile(const std::string& fileName, const TuArray& points) {
  return WriteFileAtomic(fileName, FormatTuLines(points));
}

IoResult WriteCrdFile(const std::string& fileName, const CrdArray& points) {
  return WriteFileAtomic(fileName, FormatCrdLines(points));
}

}  // namespace dv
