#include "gui/view_lines.h"

#include <FL/Enumerations.H>

#include <algorithm>
#include <cstring>

#include "document/list_format.h"
#include "document/zolt.h"

// A to-do whose time is being recorded stands out in the list itself, not only through
// the "!" button: its own background, bold text and the word "running".
static const char* const kRunningSuffix = "  (running)";

static void markRunning(std::string& line) {
  static const std::string running = "@B" + std::to_string(fl_color_cube(3, 7, 3));
  size_t text = line.find("@.");
  if (text == std::string::npos) return;
  for (const char* prefix : {kRowPrefixA, kRowPrefixB}) {
    size_t at;
    while ((at = line.find(prefix)) != std::string::npos && at < text) {
      line.replace(at, strlen(prefix), running);
      text = line.find("@.");
    }
  }
  line.insert(text, "@b");
  line += kRunningSuffix;
}

static bool isHeading(const T_viewDataItem& r) {
  return r.priority == kRowHeading || r.priority == kRowSpecialDay;
}

int ViewLines::reset(const Zolt* doc) {
  doc_ = doc;
  calendar_ = doc->getMainViewType() == kMainViewCalendar;
  empty_ = !calendar_ && doc->lineCount() == 0;
  cached_ = false;
  return empty_ ? 1 : static_cast<int>(doc->lineCount());
}

bool ViewLines::calendarAlternate(size_t line) {
  bool alternate = false;
  if (!isHeading(doc_->lineRow(line))) {
    // The colour after line k is the colour of k, stepped when k is an item row.
    bool steps = false;
    for (size_t k = line; k-- > 0;) {
      const T_viewDataItem& r = doc_->lineRow(k);
      if (cached_ && k == cachedLine_) {
        steps ^= cachedAlternate_;
        steps ^= r.priority < kRowHeading;
        break;
      }
      if (isHeading(r)) break;
      steps ^= r.priority < kRowHeading;
    }
    alternate = steps;
  }
  cached_ = true;
  cachedLine_ = line;
  cachedAlternate_ = alternate;
  return alternate;
}

void ViewLines::lineText(int line, std::string& text) {
  text.clear();
  if (doc_ == nullptr || line < 1) return;
  if (empty_) {
    if (line == 1) text = "<empty>";
    return;
  }
  size_t at = static_cast<size_t>(line - 1);
  if (at >= doc_->lineCount()) return;  // the view changed and the list has not caught up
  const T_viewDataItem& r = doc_->lineRow(at);
  if (calendar_) {
    text = formatCalendarLine(r, calendarAlternate(at));
  } else {
    formatListLine(r, at % 2 == 1, text);
  }
  if (r.running && r.priority < kRowHeading) markRunning(text);
}
