#include "app/ProfileFile.h"

#include <vector>

#include "common/FileIO.h"
#include "common/Helpers.h"

namespace dv {

namespace {

enum class LineKind { Other, Section, Key };

struct Line {
  std::size_t begin = 0;
  std::size_t textEnd = 0;  // before the CR LF / LF
  std::size_t end = 0;      // after it
  LineKind kind = LineKind::Other;
  std::string_view name;    // trimmed section or key name
  std::size_t valueBegin = 0;  // just after "=" on a key line
};

std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    Line line;
    line.begin = pos;
    const std::size_t lf = bytes.find('\n', pos);
    if (lf == std::string_view::npos) {
      line.textEnd = line.end = bytes.size();
    } else {
      line.end = lf + 1;
      line.textEnd = (lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
    }
    pos = line.end;

    const std::string_view text = bytes.substr(line.begin, line.textEnd - line.begin);
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == ';') {
      // blank line or comment
    } else if (trimmed.front() == '[') {
      const std::size_t close = trimmed.find(']');
      if (close != std::string_view::npos) {
        line.kind = LineKind::Section;
        line.name = Trim(trimmed.substr(1, close - 1));
      }
    } else if (const std::size_t eq = text.find('='); eq != std::string_view::npos) {
      const std::string_view name = Trim(text.substr(0, eq));
      if (!name.empty()) {
        line.kind = LineKind::Key;
        line.name = name;
        line.valueBegin = line.begin + eq + 1;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::size_t FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == LineKind::Section && SameName(lines[i].name, section)) return i;
  return kNone;
}

// Index of the first key line named `key` in the section whose header is at `header`.
std::size_t FindKey(const std::vector<Line>& lines, std::size_t header, std::string_view key) {
  for (std::size_t i = header + 1; i < lines.size() && lines[i].kind != LineKind::Section; ++i)
    if (lines[i].kind == LineKind::Key && SameName(lines[i].name, key)) return i;
  return kNone;
}

std::string Cut(std::string_view text) {
  return std::string(text.substr(0, ProfileFile::kMaxValueLength));
}

// The file's own line break for lines we add.
std::string_view NewLineOf(std::string_view bytes) {
  const std::size_t lf = bytes.find('\n');
  if (lf != std::string_view::npos && (lf == 0 || bytes[lf - 1] != '\r')) return "\n";
  return "\r\n";
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

bool ProfileFile::Load(const std::string& path) {
  bytes_.clear();
  if (!FileExists(path)) return true;
  if (!ReadFileBytes(path, bytes_)) {
    bytes_.clear();
    return false;
  }
  return true;
}

bool ProfileFile::Save(const std::string& path) const {
  return static_cast<bool>(WriteFileAtomic(path, bytes_));
}

bool ProfileFile::HasSection(std::string_view section) const {
  const auto lines = SplitLines(bytes_);
  const std::size_t header = FindSection(lines, Trim(section));
  if (header == kNone) return false;
  for (std::size_t i = header + 1; i < lines.size() && lines[i].kind != LineKind::Section; ++i)
    if (lines[i].kind == LineKind::Key) return true;
  return false;
}

std::string ProfileFile::Read(std::string_view section, std::string_view key,
                              std::string_view def) const {
  const auto lines = SplitLines(bytes_);
  const std::size_t header = FindSection(lines, Trim(section));
  if (header == kNone) return Cut(def);
  const std::size_t k = FindKey(lines, header, Trim(key));
  if (k == kNone) return Cut(def);
  const std::string_view all(bytes_);
  return Cut(Trim(all.substr(lines[k].valueBegin, lines[k].textEnd - lines[k].valueBegin)));
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      HasLineBreak(value) || section.find(']') != std::string_view::npos ||
      key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[')
    return false;

  const auto lines = SplitLines(bytes_);
  const std::string newLine(NewLineOf(bytes_));
  const std::string keyLine = std::string(key) + "=" + std::string(value) + newLine;

  const std::size_t header = FindSection(lines, section);
  if (header == kNone) {
    if (!bytes_.empty() && bytes_.back() != '\n') bytes_ += newLine;
    bytes_ += "[" + std::string(section) + "]" + newLine + keyLine;
    return true;
  }

  if (const std::size_t k = FindKey(lines, header, key); k != kNone) {
    // Keep the key as spelt in the file and the blanks after "=", if a value follows them.
    const Line& line = lines[k];
    std::size_t from = line.valueBegin;
    while (from < line.textEnd && (bytes_[from] == ' ' || bytes_[from] == '\t')) ++from;
    if (from == line.textEnd) from = line.valueBegin;
    bytes_.replace(from, line.textEnd - from, value);
    return true;
  }

  // A new key goes after the section's last key, or under a header that has none,
  // so that it lands in the section that reads will find first.
  std::size_t after = header;
  for (std::size_t i = header + 1; i < lines.size() && lines[i].kind != LineKind::Section; ++i)
    if (lines[i].kind == LineKind::Key) after = i;
  std::size_t at = lines[after].end;
  if (lines[after].end == lines[after].textEnd) {  // the file's last line, unterminated
    bytes_.insert(at, newLine);
    at += newLine.size();
  }
  bytes_.insert(at, keyLine);
  return true;
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view def) {
  ProfileFile profile;
  profile.Load(path);  // an unreadable file reads as empty
  return profile.Read(section, key, def);
}

bool ProfileSectionExists(const std::string& path, std::string_view section) {
  ProfileFile profile;
  profile.Load(path);
  return profile.HasSection(section);
}

bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value) {
  ProfileFile profile;
  // Rewriting a file we could not read would lose its contents.
  if (!profile.Load(path)) return false;
  if (!profile.Write(section, key, value)) return false;
  return profile.Save(path);
}

}  // namespace dv
