#pragma once
// Reader and writer for the program's ini-style profile (.CNF) files, with the
// lookup rules of the Windows private-profile calls, over raw bytes.
//
//   "[name]" starts a section; "key=value" is a key line; names match ASCII
//   case-insensitively and the first matching section and key win; blanks around
//   names and values are ignored. Lines starting with ";" are comments; any other
//   line without "=" is ignored. Lines end in CR LF or LF.
//
// Writing changes only the line it has to: every other byte stays as it was.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace dv {

class ProfileFile {
 public:
  // Longest value handed out; the Windows calls read into a 2048-byte buffer.
  static constexpr std::size_t kMaxValueLength = 2047;

  ProfileFile() = default;
  explicit ProfileFile(std::string bytes) : bytes_(std::move(bytes)) {}

  // Takes the file's bytes. A missing file is an empty profile and succeeds;
  // a file that is there but cannot be read fails (and leaves the profile empty).
  bool Load(const std::string& path);
  // Writes the bytes through dv::WriteFileAtomic.
  bool Save(const std::string& path) const;

  const std::string& Bytes() const { return bytes_; }

  // True only when the first section of that name holds at least one key.
  bool HasSection(std::string_view section) const;

  // The key's value, cut at kMaxValueLength bytes; `def` when the section or key
  // is absent. A key with an empty value gives "", not `def`.
  std::string Read(std::string_view section, std::string_view key,
                   std::string_view def) const;

  // Sets the key in memory: replaces the value of an existing key line, else adds
  // "key=value" after the section's last key line (right after its header when it
  // has none), else appends the section and key at the end. New line breaks
  // follow the file (CR LF unless its first line break is a bare LF).
  // Fails, changing nothing, for names or values the file format cannot hold:
  // an empty name, a line break anywhere, "]" in the section, a key holding "="
  // or starting with ";" or "[".
  bool Write(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string bytes_;
};

// One-shot forms of the above: a missing or unreadable file reads as `def`.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view def);
bool ProfileSectionExists(const std::string& path, std::string_view section);
// Creates the file when missing; refuses (false, file untouched) a file that
// exists but cannot be read or written.
bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace dv
