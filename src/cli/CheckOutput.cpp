#include "cli/CheckOutput.h"

#include <algorithm>

#include "common/Helpers.h"

namespace dv {

namespace {

const char* FileName(CheckFile f) { return f == CheckFile::Tu ? "tu" : "crd"; }

// JSON text must be UTF-8: a byte that starts no valid sequence (a path in a
// single-byte code page) becomes U+FFFD.
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      static const char* hex = "0123456789abcdef";
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      const int len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
      bool valid = len > 0 && i + static_cast<std::size_t>(len) <= s.size();
      for (int k = 1; valid && k < len; ++k) valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
      if (valid && len == 3) {  // no overlong forms, no surrogates
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        valid = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
      }
      if (valid && len == 4) {
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        valid = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
      }
      if (valid) {
        out.append(s, i, static_cast<std::size_t>(len));
        i += static_cast<std::size_t>(len);
      } else {
        out += "\xEF\xBF\xBD";
        ++i;
      }
    }
  }
  return out + "\"";
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Number(double v) { return FormatFixed(v, 0, 3); }

// A line of the text output is one record of tab-separated fields: a tab or a
// line break in a path or a message is written as an escape.
std::string TextField(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c < 0x20 || c == 0x7F) {
      static const char* hex = "0123456789abcdef";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

// The numbers a gap finding adds: the records missing and those expected.
std::string GapCounts(const Finding& f, const char* separator) {
  if (f.expected <= 0) return std::string(separator) + separator;
  return separator + std::to_string(f.missing) + separator + std::to_string(f.expected);
}

int Count(const FlightReport& r) { return static_cast<int>(r.messages.size()); }

std::string Text(const std::vector<FlightReport>& reports, bool details) {
  std::string out;
  for (const FlightReport& r : reports) {
    out += std::string(VerdictName(r.verdict)) + "\t" + TextField(r.path) + "\ttu=" + std::to_string(r.tuPoints) +
           "\tcrd=" + std::to_string(r.crdPoints) + "\tmessages=" + std::to_string(Count(r)) +
           "\tfindings=" + std::to_string(r.findings.size()) + "\n";
    if (!details) continue;
    for (const LoadMessage& m : r.messages)
      out += std::string("\t") + VerdictName(m.level) + "\t" + TextField(m.text) + "\n";
    for (const Finding& f : r.findings) {
      const FindingColumns c = ColumnsOf(f);
      out += std::string("\tfinding\t") + c.rule + "\t" + FileName(f.file) + "\t" + c.rows + "\t" + c.times +
             "\t" + c.value + "\t" + c.threshold + "\n";
    }
  }
  return out;
}

std::string Csv(const std::vector<FlightReport>& reports, bool details) {
  std::string out;
  if (!details) {
    out = "path,verdict,tu_points,crd_points,messages,findings\r\n";
    for (const FlightReport& r : reports)
      out += CsvField(r.path) + "," + VerdictName(r.verdict) + "," + std::to_string(r.tuPoints) + "," +
             std::to_string(r.crdPoints) + "," + std::to_string(Count(r)) + "," + std::to_string(r.findings.size()) +
             "\r\n";
    return out;
  }
  // One row per message or finding; a flight with neither gets one row.
  out =
      "path,verdict,kind,level,rule,rule_id,file,first_row,last_row,first_time,last_time,value,threshold,unit,"
      "missing,expected,text\r\n";
  for (const FlightReport& r : reports) {
    const std::string head = CsvField(r.path) + "," + VerdictName(r.verdict) + ",";
    for (const LoadMessage& m : r.messages)
      out += head + "message," + VerdictName(m.level) + ",,,,,,,,,,,,," + CsvField(m.text) + "\r\n";
    for (const Finding& f : r.findings) {
      const RuleInfo& info = InfoOf(f.rule);
      out += head + "finding,warn," + CsvField(info.name) + "," + info.id + "," + FileName(f.file) + "," +
             std::to_string(f.firstRow) + "," + std::to_string(f.lastRow) + "," + Number(f.firstTime) + "," +
             Number(f.lastTime) + "," + Number(f.value) + "," + Number(f.threshold) + "," + CsvField(info.unit) +
             GapCounts(f, ",") + ",\r\n";
    }
    if (r.messages.empty() && r.findings.empty()) out += head + "none,,,,,,,,,,,,,,\r\n";
  }
  return out;
}

std::string Json(const std::vector<FlightReport>& reports, bool details) {
  std::string out = "[";
  for (std::size_t k = 0; k < reports.size(); ++k) {
    const FlightReport& r = reports[k];
    out += k ? ",\n " : "\n ";
    out += "{\"path\": " + JsonString(r.path) + ", \"verdict\": \"" + VerdictName(r.verdict) +
           "\", \"station\": " + (r.launch.empty() ? std::string("null") : std::to_string(r.station)) +
           ", \"launch\": " + (r.launch.empty() ? std::string("null") : JsonString(r.launch)) +
           ", \"tu_points\": " + std::to_string(r.tuPoints) + ", \"crd_points\": " + std::to_string(r.crdPoints) +
           ", \"messages\": [";
    for (std::size_t i = 0; i < r.messages.size(); ++i)
      out += std::string(i ? ", " : "") + "{\"level\": \"" + VerdictName(r.messages[i].level) +
             "\", \"text\": " + JsonString(r.messages[i].text) + "}";
    out += "], \"finding_count\": " + std::to_string(r.findings.size());
    if (details) {
      out += ", \"findings\": [";
      for (std::size_t i = 0; i < r.findings.size(); ++i) {
        const Finding& f = r.findings[i];
        const RuleInfo& info = InfoOf(f.rule);
        out += std::string(i ? ",\n   " : "\n   ") + "{\"rule\": " + JsonString(info.name) + ", \"rule_id\": \"" +
               info.id + "\", \"file\": \"" + FileName(f.file) + "\", \"first_row\": " + std::to_string(f.firstRow) +
               ", \"last_row\": " + std::to_string(f.lastRow) + ", \"first_time\": " + Number(f.firstTime) +
               ", \"last_time\": " + Number(f.lastTime) + ", \"time_unit\": \"с\", \"value\": " + Number(f.value) +
               ", \"threshold\": " + Number(f.threshold) + ", \"unit\": " + JsonString(info.unit);
        if (f.expected > 0)
          out += ", \"missing\": " + std::to_string(f.missing) + ", \"expected\": " + std::to_string(f.expected);
        out += "}";
      }
      out += "]";
    }
    out += "}";
  }
  return out + (reports.empty() ? "]\n" : "\n]\n");
}

}  // namespace

std::string FormatReports(const std::vector<FlightReport>& reports, OutputFormat format, bool details) {
  switch (format) {
    case OutputFormat::Text: return Text(reports, details);
    case OutputFormat::Csv: return Csv(reports, details);
    case OutputFormat::Json: return Json(reports, details);
  }
  return {};
}

int ExitStatus(const std::vector<FlightReport>& reports) {
  Verdict worst = Verdict::Ok;
  for (const FlightReport& r : reports) worst = std::max(worst, r.verdict);
  return worst == Verdict::Ok ? 0 : worst == Verdict::Warn ? 1 : 2;
}

}  // namespace dv
