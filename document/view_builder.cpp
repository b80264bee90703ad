// Building the rows of the normal, active-jobs and search results views, freeing them and
// sorting them. The calendar's rows are built in calendar_view.cpp.
#include <algorithm>
#include <string>

#include "document/calendar_lines.h"
#include "document/view_order.h"
#include "document/zolt.h"

namespace {

// What one walk collects; the tree walk hands it down unchanged.
struct ContentWalk {
  const std::string& path;  // full path of the group whose content is asked for
  const T_Options& opts;
  std::vector<T_viewDataItem>& rows;
  std::vector<ToDoListItem*>& items;
  CryptMan* keys;
};

void appendToDo(ToDoListToDo* t, const ContentWalk& w) {
  w.rows.emplace_back();
  t->setViewData(w.rows.back(), w.keys);
  w.items.push_back(t);
}

// The content of one group: its sub-groups, then its to-dos, the completed ones only
// when they are to be shown. The active-jobs view takes the running to-dos instead.
void appendOwnRows(ToDoListGroup* g, const ContentWalk& w) {
  if (w.opts.mainViewType == kMainViewActiveJobs) {
    for (ToDoListToDo* t : g->getToDos()) {
      if (t->isRunning()) appendToDo(t, w);
    }
    return;
  }
  for (ToDoListGroup* s : g->getGroups()) {
    if (!w.opts.showCompleted && s->isCompleted()) continue;
    w.rows.emplace_back();
    s->setViewData(w.rows.back());
    w.items.push_back(s);
  }
  for (ToDoListToDo* t : g->getToDos()) {
    if (w.opts.showCompleted || !t->isCompleted()) appendToDo(t, w);
  }
}

// The tree walk. A group below the asked one (or itself) shows its rows in the flat and
// active-jobs views; in the tree view only the asked group does. Groups on the way down
// pass the walk on to their sub-groups; groups elsewhere end it. Paths end in "/", so a
// prefix match is a match of whole ids.
void showContent(ToDoListGroup* g, const ContentWalk& w) {
  std::string own = g->fullPath();
  bool below = own.compare(0, w.path.size(), w.path) == 0;
  bool everything = w.opts.viewtype == kViewFlat || w.opts.mainViewType == kMainViewActiveJobs;
  if (!(below && everything) && own != w.path) {
    bool above = w.path.size() > own.size() && w.path.compare(0, own.size(), own) == 0;
    if (above) {
      for (ToDoListGroup* s : g->getGroups()) showContent(s, w);
    }
    return;
  }
  appendOwnRows(g, w);
  if (everything) {
    for (ToDoListGroup* s : g->getGroups()) showContent(s, w);
  }
}

}  // namespace

// Each build appends to what is there; the calendar's lines are made rows first, so the
// new rows follow them.
void Zolt::getContent() {
  makeAllRows();
  size_t before = rows.size();
  switch (options.mainViewType) {
    case kMainViewNormal:
    case kMainViewActiveJobs: {
      std::string path = options.mainViewType == kMainViewNormal ? curGroupPath : "/0/";
      showContent(root, ContentWalk{path, options, rows, rowItems, &keys});
      break;
    }
    case kMainViewSearch:
      getSearchContent();
      return;
    case kMainViewCalendar:
      getCalendarContent();
      break;
    default:
      return;
  }
  size_t at = rowOrder.size();
  rowOrder.resize(at + rows.size() - before);
  for (size_t i = before; i < rows.size(); ++i) rowOrder[at++] = static_cast<unsigned>(i);
}

// The row items are the hits of the search (to-dos only); rows and order are made anew.
void Zolt::getSearchContent() {
  calendarLines.reset();
  rows.clear();
  rowOrder.clear();
  rows.resize(rowItems.size());
  for (size_t i = 0; i < rowItems.size(); ++i) {
    static_cast<ToDoListToDo*>(rowItems[i])->setViewData(rows[i], &keys);
    rowOrder.push_back(static_cast<unsigned>(i));
  }
}

void Zolt::clearViewData() {
  if (options.mainViewType == kMainViewSearch) return;
  dropAllRows();
}

void Zolt::dropAllRows() {
  rows.clear();
  rowOrder.clear();
  rowItems.clear();
  calendarLines.reset();
}

// The calendar's lines come in the calendar order: alone they need no sort.
void Zolt::sortContent() {
  if (calendarLines != nullptr && !rowOrder.empty()) makeAllRows();
  if (calendarLines != nullptr) return;
  sortRowOrder(rows, rowOrder, options.mainViewType == kMainViewCalendar, options.sort,
               options.completedLast);
}

bool Zolt::cmpViewData(unsigned i, unsigned j) const {
  return viewRowAfter(rowAt(i), rowAt(j), options.sort, options.completedLast);
}

bool Zolt::cmpViewDataCal(unsigned i, unsigned j) const {
  return calendarRowAfter(rowAt(i), rowAt(j));
}

void Zolt::makeAllRows() const {
  if (calendarLines == nullptr) return;
  size_t before = rows.size();
  calendarLines->takeAll(rows, rowItems);
  calendarLines.reset();
  rowOrder.reserve(rows.size());
  for (size_t i = before; i < rows.size(); ++i) rowOrder.push_back(static_cast<unsigned>(i));
}

// The calendar's lines follow the made rows, whose count equals that of the order's
// entries, so a line there is its own row index.
size_t Zolt::rowCount() const {
  return rows.size() + (calendarLines != nullptr ? calendarLines->lineCount() : 0);
}

const T_viewDataItem& Zolt::rowAt(size_t row) const {
  return row < rows.size() ? rows[row] : calendarLines->row(row - rows.size());
}

ToDoListItem* Zolt::itemAt(size_t row) const {
  return row < rowItems.size() ? rowItems[row] : calendarLines->item(row - rowItems.size());
}

size_t Zolt::lineCount() const { return rowCount(); }

unsigned Zolt::rowIndexOfLine(size_t line) const {
  return line < rowOrder.size() ? rowOrder[line] : static_cast<unsigned>(line);
}

const T_viewDataItem& Zolt::lineRow(size_t line) const { return rowAt(rowIndexOfLine(line)); }

ToDoListItem* Zolt::lineItem(size_t line) const { return itemAt(rowIndexOfLine(line)); }

size_t Zolt::rowsMade() const {
  return rows.size() + (calendarLines != nullptr ? calendarLines->rowsMade() : 0);
}

// The made lines are looked at one by one; the calendar's lines through their spans.
long Zolt::findLineOf(const ToDoListItem* item, size_t from) const {
  size_t made = rowOrder.size();
  for (size_t line = from; line < made; ++line) {
    if (rowItems[rowOrder[line]] == item) return static_cast<long>(line);
  }
  if (calendarLines != nullptr) {
    long found = calendarLines->firstLineFrom(item, from > made ? from - made : 0);
    if (found < 0) found = calendarLines->lastLineBefore(item, from > made ? from - made : 0);
    if (found >= 0) return found + static_cast<long>(made);
  }
  for (size_t line = std::min(from, made); line-- > 0;) {
    if (rowItems[rowOrder[line]] == item) return static_cast<long>(line);
  }
  return -1;
}
