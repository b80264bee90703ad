// iCalendar text as bytes: what is checked before libical parses a file, and what is
// written around it.
#include "exchange/ics_text.h"

#include <algorithm>
#include <cstring>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kFoldOctets = 75;

// The length of the well-formed UTF-8 sequence at `i`, or 0.
size_t utf8Length(const std::string& s, size_t i) {
  auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) return 1;
  size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
  if (n == 0 || c > 0xF4 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  unsigned char c1 = byte(i + 1);
  if (c == 0xE0 && c1 < 0xA0) return 0;   // overlong
  if (c == 0xED && c1 >= 0xA0) return 0;  // surrogate
  if (c == 0xF0 && c1 < 0x90) return 0;   // overlong
  if (c == 0xF4 && c1 >= 0x90) return 0;  // past U+10FFFF
  return n;
}

// The lines of `text` with folded lines joined, each without its line end.
std::vector<std::string> unfoldedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find('\n', i);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(i, end - i);
    if (!part.empty() && part.back() == '\r') part.pop_back();
    if (!part.empty() && (part[0] == ' ' || part[0] == '\t') && !lines.empty()) {
      lines.back() += part.substr(1);
    } else {
      lines.push_back(part);
    }
    i = end + 1;
  }
  return lines;
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
  return strncasecmp(s.c_str(), prefix, strlen(prefix)) == 0;
}

// The value of a content line: what follows the first colon outside a quoted parameter.
std::string valueOf(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return line.substr(i + 1);
  }
  return std::string();
}

std::string trailingBlanks(const std::string& value) {
  size_t keep = value.find_last_not_of(" \t");
  return keep == std::string::npos ? std::string() : value.substr(keep + 1);
}

std::string escaped(const std::string& name) {
  std::string out;
  for (char ch : name) {
    if (ch == '\n') {
      out += "\\n";
      continue;
    }
    if (ch == '\\' || ch == ';' || ch == ',') out += '\\';
    out += ch;
  }
  return out;
}

}  // namespace

std::string unfolded(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    size_t end = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? i + 1 : i;
    if (text[end] == '\n' && end + 1 < text.size() &&
        (text[end + 1] == ' ' || text[end + 1] == '\t')) {
      i = end + 1;
      continue;
    }
    out += text[i];
  }
  return out;
}

int lineBeyondDepth(const std::string& text, int limit) {
  int depth = 0, line = 0, startLine = 0;
  std::string head;  // the first octets of the logical line, folds joined
  auto judge = [&]() {
    if (strncasecmp(head.c_str(), "BEGIN:", 6) == 0) return ++depth > limit;
    if (strncasecmp(head.c_str(), "END:", 4) == 0 && depth > 0) --depth;
    return false;
  };
  for (size_t i = 0; i < text.size();) {
    size_t end = text.find('\n', i);
    if (end == std::string::npos) end = text.size();
    ++line;
    bool continued = text[i] == ' ' || text[i] == '\t';
    if (!continued) {
      if (startLine != 0 && judge()) return startLine;
      head.clear();
      startLine = line;
    }
    size_t from = continued ? i + 1 : i;
    size_t to = end > from && text[end - 1] == '\r' ? end - 1 : end;
    if (head.size() < 6 && to > from) head.append(text, from, std::min(to - from, 6 - head.size()));
    i = end + 1;
  }
  return startLine != 0 && judge() ? startLine : 0;
}

int lineOfFirstNul(const std::string& text) {
  size_t at = text.find('\0');
  if (at == std::string::npos) return 0;
  int line = 1;
  for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
  return line;
}

int repairUtf8(std::string& text) {
  std::string out;
  int replaced = 0;
  for (size_t i = 0; i < text.size();) {
    size_t n = utf8Length(text, i);
    if (n == 0) {
      if (replaced == 0) out = text.substr(0, i);
      out += kReplacement;
      ++replaced;
      ++i;
      continue;
    }
    if (replaced != 0) out.append(text, i, n);
    i += n;
  }
  if (replaced != 0) text.swap(out);
  return replaced;
}

int dropControlChars(std::string& text) {
  size_t kept = 0;
  int dropped = 0;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      ++dropped;
      continue;
    }
    text[kept++] = ch;
  }
  text.resize(kept);
  return dropped;
}

std::vector<std::string> summaryTrailingBlanks(const std::string& text) {
  std::vector<std::string> blanks;
  std::vector<std::string> open;  // the components around the line, outermost first
  bool summarySeen = false;
  for (const std::string& line : unfoldedLines(text)) {
    if (startsWithNoCase(line, "BEGIN:")) {
      open.push_back(line.substr(6));
      bool item =
          open.size() == 2 && strcasecmp(open[0].c_str(), "VCALENDAR") == 0 &&
          (strcasecmp(open[1].c_str(), "VEVENT") == 0 || strcasecmp(open[1].c_str(), "VTODO") == 0);
      if (item) blanks.emplace_back();
      if (open.size() == 2) summarySeen = !item;
    } else if (startsWithNoCase(line, "END:")) {
      if (!open.empty()) open.pop_back();
    } else if (open.size() == 2 && !summarySeen && !blanks.empty() &&
               (startsWithNoCase(line, "SUMMARY:") || startsWithNoCase(line, "SUMMARY;"))) {
      blanks.back() = trailingBlanks(valueOf(line));
      summarySeen = true;
    }
  }
  return blanks;
}

std::string categoriesLine(const std::vector<std::string>& names) {
  std::string line = "CATEGORIES:";
  for (size_t i = 0; i < names.size(); ++i) line += (i ? "," : "") + escaped(names[i]);
  std::string folded;
  size_t width = 0;
  for (size_t i = 0; i < line.size();) {
    size_t n = utf8Length(line, i);
    if (n == 0) n = 1;
    if (width + n > kFoldOctets) {
      folded += "\r\n ";
      width = 1;
    }
    folded.append(line, i, n);
    width += n;
    i += n;
  }
  return folded;
}
