// Notes counted by kind, and the long report kept in a file.
#include "exchange/ics_report.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

#include "exchange/icalendar.h"
#include "store/atomic_file.h"

namespace {

// The summary stays short: the most frequent kinds only, the rest are in the detail.
constexpr size_t kMaxKindsShown = 8;

// The item a note starts with ("Appointment \"X\": ", "To-do \"X\": "), or 0.
size_t labelLength(const std::string& note) {
  for (const char* kind : {"Appointment \"", "To-do \""}) {
    size_t n = std::char_traits<char>::length(kind);
    if (note.compare(0, n, kind) != 0) continue;
    size_t end = note.find("\": ", n);
    return end == std::string::npos ? 0 : end + 3;
  }
  return 0;
}

// A word that carries a value: a number, a rule (FREQ=...) or a date.
bool isValue(const std::string& word) {
  for (char ch : word) {
    if (isdigit(static_cast<unsigned char>(ch)) || ch == '=') return true;
  }
  return false;
}

std::string counted(const std::string& summary, const std::vector<std::string>& notes,
                    const std::string& title) {
  if (notes.empty()) return summary;
  std::string out = summary + "\n" + title;
  std::vector<std::pair<std::string, int>> kinds = noteKinds(notes);
  for (size_t i = 0; i < kinds.size() && i < kMaxKindsShown; ++i) {
    out += "\n" + std::to_string(kinds[i].second) + " \xC3\x97 " + kinds[i].first;
  }
  if (kinds.size() > kMaxKindsShown) {
    out += "\nand " + std::to_string(kinds.size() - kMaxKindsShown) + " more kinds, listed below";
  }
  return out;
}

std::string joined(const std::vector<std::string>& notes) {
  std::string all;
  for (const std::string& n : notes) all += n + "\n";
  return all;
}

T_IcsReportText reportText(const std::string& head, const T_IcsReport& report,
                           const std::string& title, const std::string& dataFile,
                           const std::string& suffix) {
  T_IcsReportText out;
  out.summary = counted(head, report.notes, title);
  out.detail = joined(report.notes);
  if (report.notes.size() <= kLongReport || dataFile.empty()) return out;
  std::string file = dataFile + suffix;
  const std::string& text = out.detail;
  int written = writeFileAtomically(file, [&text](std::ostream& os) {
    os << text;
    return os.good();
  });
  if (written == 0) {
    out.file = file;
    out.summary += "\nEvery note is also in " + file + ".";
  } else {
    out.summary += "\nThe notes could not be written to " + file + ".";
  }
  return out;
}

}  // namespace

std::string noteKind(const std::string& note) {
  const std::string kGap = "\xE2\x80\xA6";  // "..."
  std::string rest, kind;
  bool quoted = false;
  for (char ch : note.substr(labelLength(note))) {
    if (ch == '"') {
      if (!quoted) rest += "\"" + kGap + "\"";
      quoted = !quoted;
    } else if (!quoted) {
      rest += ch;
    }
  }
  std::istringstream words(rest);
  std::string word;
  while (words >> word) {
    size_t first = word.find_first_not_of("(");
    size_t last = word.find_last_not_of(",;:.)");
    if (first != std::string::npos && last != std::string::npos && first <= last &&
        isValue(word.substr(first, last - first + 1))) {
      word = word.substr(0, first) + kGap + word.substr(last + 1);
    }
    kind += (kind.empty() ? "" : " ") + word;
  }
  while (!kind.empty() && kind.back() == '.') kind.pop_back();
  return kind;
}

std::vector<std::pair<std::string, int>> noteKinds(const std::vector<std::string>& notes) {
  std::vector<std::pair<std::string, int>> kinds;
  std::map<std::string, size_t> at;
  for (const std::string& n : notes) {
    std::string k = noteKind(n);
    auto found = at.find(k);
    if (found == at.end()) {
      at.emplace(k, kinds.size());
      kinds.emplace_back(k, 1);
    } else {
      ++kinds[found->second].second;
    }
  }
  std::stable_sort(kinds.begin(), kinds.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return kinds;
}

T_IcsReportText importReportText(const std::string& fileName, const T_IcsReport& report,
                                 const std::string& dataFile) {
  if (!report.error.empty()) return T_IcsReportText{importMessage(fileName, report), "", ""};
  return reportText(importHeadline(report), report,
                    "Not held exactly, imported as near as Zolt can (notes by kind):", dataFile,
                    ".ics-import-notes.txt");
}

T_IcsReportText exportReportText(const std::string& fileName, const T_IcsReport& report,
                                 const std::string& dataFile) {
  if (!report.error.empty()) return T_IcsReportText{exportMessage(fileName, report), "", ""};
  return reportText(
      "Exported " + std::to_string(report.items) + " to-dos and appointments to " + fileName + ".",
      report, "Not exported exactly (notes by kind):", dataFile, ".ics-export-notes.txt");
}
