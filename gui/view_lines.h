// The lines of the document's current view as the main list shows them: each line is made
// when the list draws it, from the document's line readers, in the list's format (row colour,
// mark column, text; a running to-do stands out). Nothing is copied per row, so the list's
// cost follows the lines in sight, not the size of the view. Lines are made from the rows
// alone (a row says whether its to-do was running when the view was built), never from the
// items behind them, which a change may have deleted before the view is rebuilt. GUI thread
// only.
#ifndef ZOLT_GUI_VIEW_LINES_H_
#define ZOLT_GUI_VIEW_LINES_H_

#include <cstddef>
#include <string>

#include "gui/row_list.h"

class Zolt;

class ViewLines : public RowList::LineSource {
 public:
  ViewLines() = default;
  ViewLines(const ViewLines&) = delete;
  ViewLines& operator=(const ViewLines&) = delete;

  // Starts on the view `doc` (not owned; it must outlive its use here) has just built and
  // returns the number of list lines it takes: an empty normal view shows one, "<empty>".
  int reset(const Zolt* doc);
  void lineText(int line, std::string& text) override;

 private:
  // The calendar's row colour of view line `line` (from 0): it restarts at each heading or
  // special day and steps on each item row, so it is found by walking back to the last
  // heading, or to the line last asked for, which a page drawn from top to bottom is.
  bool calendarAlternate(size_t line);

  const Zolt* doc_ = nullptr;  // not owned
  bool calendar_ = false;
  bool empty_ = false;
  bool cached_ = false;  // whether cachedLine_ and cachedAlternate_ hold
  size_t cachedLine_ = 0;
  bool cachedAlternate_ = false;
};

#endif  // ZOLT_GUI_VIEW_LINES_H_
