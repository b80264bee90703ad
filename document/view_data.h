// The rows of the list view and the options that shape them.
#ifndef ZOLT_DOCUMENT_VIEW_DATA_H_
#define ZOLT_DOCUMENT_VIEW_DATA_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <utility>

#include "calendar/date_time.h"

enum t_viewtype { kViewFlat = 0, kViewTree = 1 };

// Main view types.
constexpr int kMainViewNormal = 0;
constexpr int kMainViewActiveJobs = 1;
constexpr int kMainViewSearch = 2;
constexpr int kMainViewCalendar = 3;
constexpr int kMainViewPrevious = 4;  // not a view: back to the type saved by view 1

// Row kinds of the calendar beside the item priorities.
constexpr unsigned kRowHeading = 300;
constexpr unsigned kRowSpecialDay = 301;
constexpr unsigned kRowClosing = 400;

// The text of a row: an immutable string shared by every copy of the row, so a row copied
// onto each shown day of a calendar costs a counter step, not an allocation and a copy of
// its text. Reads as a `const std::string&`; assigning a string gives the row a text of its
// own, never changing the copies made before. The counter is not atomic: rows belong to
// one thread (the document's, the GUI thread).
class RowText {
 public:
  RowText() = default;
  RowText(const std::string& s) : block(s.empty() ? nullptr : new Block{1, s}) {}
  RowText(std::string&& s) : block(s.empty() ? nullptr : new Block{1, std::move(s)}) {}
  RowText(const char* s) : RowText(std::string(s)) {}
  RowText(const RowText& o) : block(o.block) {
    if (block != nullptr) ++block->refs;
  }
  RowText(RowText&& o) noexcept : block(o.block) { o.block = nullptr; }
  RowText& operator=(RowText o) noexcept {
    std::swap(block, o.block);
    return *this;
  }
  ~RowText() { release(); }

  const std::string& str() const { return block != nullptr ? block->text : emptyText(); }
  operator const std::string&() const { return str(); }
  const char* c_str() const { return str().c_str(); }
  const char* data() const { return str().data(); }
  size_t size() const { return str().size(); }
  bool empty() const { return block == nullptr; }
  void clear() {
    release();
    block = nullptr;
  }
  int compare(const RowText& o) const { return block == o.block ? 0 : str().compare(o.str()); }
  template <typename... Args>
  size_t find(Args&&... args) const {
    return str().find(std::forward<Args>(args)...);
  }

 private:
  struct Block {
    unsigned refs;
    std::string text;
  };
  static const std::string& emptyText() {
    static const std::string kEmpty;
    return kEmpty;
  }
  void release() {
    if (block != nullptr && --block->refs == 0) delete block;
  }
  Block* block = nullptr;  // null for the empty text
};

inline bool operator==(const RowText& a, const RowText& b) { return a.compare(b) == 0; }
inline bool operator!=(const RowText& a, const RowText& b) { return !(a == b); }
inline bool operator==(const RowText& a, const std::string& b) { return a.str() == b; }
inline bool operator==(const std::string& a, const RowText& b) { return a == b.str(); }
inline bool operator!=(const RowText& a, const std::string& b) { return a.str() != b; }
inline bool operator!=(const std::string& a, const RowText& b) { return a != b.str(); }
inline bool operator==(const RowText& a, const char* b) { return a.str() == b; }
inline bool operator==(const char* a, const RowText& b) { return a == b.str(); }
inline bool operator!=(const RowText& a, const char* b) { return a.str() != b; }
inline bool operator!=(const char* a, const RowText& b) { return a != b.str(); }
inline std::string operator+(const std::string& a, const RowText& b) { return a + b.str(); }
inline std::string operator+(std::string&& a, const RowText& b) { return std::move(a) + b.str(); }
inline std::string operator+(const char* a, const RowText& b) { return a + b.str(); }
inline std::ostream& operator<<(std::ostream& os, const RowText& t) { return os << t.str(); }

// One row of a view. The fields are ordered so that a row takes 32 bytes: the calendar
// holds millions of them.
struct T_viewDataItem {
  unsigned day = kEmptyDateTime;         // calendar: the day the row is shown on
  unsigned date = kEmptyDateTime;        // sort date
  unsigned secondDate = kEmptyDateTime;  // the other date-time of the item
  unsigned priority = 0;                 // item priority, or a calendar row kind
  RowText text;
  bool isGroup = false;
  bool completed = false;
  bool firstDay = false;  // calendar: first day of the item's span
  bool lastDay = false;   // calendar: last day of the item's span
  bool running = false;   // a to-do whose time is being recorded
};

struct T_Options {
  t_viewtype viewtype = kViewTree;
  int mainViewType = kMainViewNormal;
  bool showKbd = false;
  int prevMainViewType = kMainViewNormal;
  int sort = 1;  // 0 by priority, 1 by date
  bool showCompleted = true;
  bool completedLast = true;
};

#endif  // ZOLT_DOCUMENT_VIEW_DATA_H_
