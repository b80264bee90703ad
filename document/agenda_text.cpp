#include "document/agenda_text.h"

#include "document/zolt.h"
#include "document/list_format.h"

// Skips the format codes at the front of `column` from `pos` on; returns where its text
// begins. A code is "@" and a letter; B, C, F and S take a number as well.
static size_t textStart(const std::string& column) {
  size_t pos = 0;
  while (pos + 1 < column.size() && column[pos] == '@') {
    char code = column[pos + 1];
    if (code == '.') return pos + 2;
    if (code == '@') return pos + 1;
    pos += 2;
    if (code == 'B' || code == 'C' || code == 'F' || code == 'S') {
      while (pos < column.size() && isdigit(static_cast<unsigned char>(column[pos]))) ++pos;
    }
  }
  return pos;
}

std::string plainLine(const std::string& line) {
  std::string result;
  size_t from = 0;
  while (from <= line.size()) {
    size_t tab = line.find('\t', from);
    std::string column =
        line.substr(from, tab == std::string::npos ? std::string::npos : tab - from);
    std::string text = column.substr(textStart(column));
    if (!text.empty()) result += (result.empty() ? "" : " ") + text;
    if (tab == std::string::npos) break;
    from = tab + 1;
  }
  return result;
}

std::string agendaText(Zolt& doc, unsigned firstDay, int days) {
  int view = doc.getMainViewType();
  int span = doc.getCalSpan();
  unsigned first = doc.getCalFirstDay();
  doc.setMainViewType(kMainViewCalendar);
  doc.setCalSpan(days);
  doc.setCalFirstDay(firstDay);
  doc.clearViewData();
  doc.getContent();
  doc.sortContent();
  std::string text;
  for (size_t line = 0; line < doc.lineCount(); ++line)
    text += plainLine(formatCalendarLine(doc.lineRow(line), false)) + "\n";
  doc.clearViewData();
  doc.setCalSpan(span);
  doc.setCalFirstDay(first);
  doc.setMainViewType(view);
  return text;
}
