// The calendar makes its rows in display order, one span per item instead of one row per
// item and day followed by a sort of them all. The oracle is the way it was built before,
// written out: every row appended in build order, then a stable sort by calendarRowAfter.
// Both must show the same rows, field by field, in the same order, with the same items.
#include <algorithm>
#include <numeric>
#include <random>

#include "document/calendar_view.h"
#include "document/document_fixture.h"
#include "document/view_order.h"

namespace {

struct Built {
  std::vector<T_viewDataItem> rows;
  std::vector<ToDoListItem*> items;
  void append(const T_viewDataItem& row, ToDoListItem* item) {
    rows.push_back(row);
    items.push_back(item);
  }
};

std::vector<unsigned> ShownDays(unsigned firstDay, int span) {
  std::vector<unsigned> days;
  unsigned d = dayOf(firstDay);
  for (int k = 0; k < span; ++k) {
    days.push_back(d);
    moveDate(d, 1);
  }
  return days;
}

size_t IndexOf(const std::vector<unsigned>& days, unsigned d) {
  return static_cast<size_t>(std::lower_bound(days.begin(), days.end(), d) - days.begin());
}

// The rows of the calendar view as they were built before, one by one.
Built OldBuild(Zolt& z, unsigned firstDay, int span) {
  Built out;
  const T_Calendar& cal = z.getCalendar();
  CryptMan* keys = &z.getKeys();
  std::vector<unsigned> days = ShownDays(firstDay, span);
  unsigned first = firstDay & kDateMask;
  unsigned last = (days.back() & kDateMask) | (firstDay & kTimeMask);
  unsigned today = getTodayDate(kNoDate);
  for (const T_DatedCalList* list : {&cal.datedFree(), &cal.datedBusy()}) {
    for (const T_DatedCalListItem& entry : *list) {
      if (entry.key > last) break;
      ToDoListToDo* t = entry.item;
      unsigned e = hasDate(t->getDateTime(0)) ? t->getDateTime(0) : entry.key;
      if (e < first) continue;
      unsigned d = dayOf(std::max(entry.key, first)), end = dayOf(e);
      T_viewDataItem row;
      t->setViewData(row, keys);
      row.firstDay = dayOf(entry.key) == d;
      for (size_t k = IndexOf(days, d); k < days.size() && days[k] <= end && days[k] <= last; ++k) {
        row.day = days[k];
        row.lastDay = days[k] == end;
        out.append(row, t);
        row.firstDay = false;
      }
    }
  }
  const T_DatedCalList& todos = cal.datedToDos();
  for (auto it = todos.rbegin(); it != todos.rend() && it->key >= first; ++it) {
    ToDoListToDo* t = it->item;
    unsigned b = t->getDateTime(1);
    if (hasDate(b) && b > last) continue;
    unsigned e = dayOf(std::min(it->key, last));
    b = dayOf(b);
    T_viewDataItem row;
    t->setViewData(row, keys);
    row.lastDay = dayOf(it->key) == e;
    for (size_t k = IndexOf(days, e) + 1; k-- > 0;) {
      if (hasDate(b) && b > days[k]) break;
      row.day = days[k];
      row.firstDay = days[k] == b;
      out.append(row, t);
      row.lastDay = false;
    }
  }
  for (const T_RecCalList* list :
       {&cal.recurringToDos(), &cal.recurringFree(), &cal.recurringBusy()}) {
    getContentRecItems(first, last, *list, out.rows, out.items, keys);
  }
  if (first == today) {
    size_t before = out.rows.size();
    auto overdue = [&](ToDoListToDo* t) {
      T_viewDataItem row;
      t->setViewData(row, keys);
      row.day = overdueRowDay(today);
      out.append(row, t);
    };
    for (const T_DatedCalListItem& entry : cal.datedToDos()) {
      if (entry.key >= today) break;
      if (!entry.item->isCompleted()) overdue(entry.item);
    }
    for (ToDoListToDo* t : cal.recurringToDos()) {
      if (!t->isCompleted() && t->getDateTime(0) < today) overdue(t);
    }
    if (out.rows.size() != before) {
      T_viewDataItem closing;
      closing.priority = kRowClosing;
      closing.day = overdueRowDay(today);
      closing.date = closing.day;
      out.append(closing, nullptr);
    }
  }
  for (unsigned day : days) {
    unsigned d = day & kDateMask;
    std::vector<T_SpecDayHit> hits;
    bool holiday = z.getSpecialDays().lookUp(packedDay(d), packedMonth(d), packedYear(d), hits);
    T_viewDataItem row;
    row.day = d;
    row.date = d;
    row.priority = kRowSpecialDay;
    for (const T_SpecDayHit& hit : hits) {
      row.text = (holiday ? "@b@r" : "@r") + hit.name;
      out.append(row, nullptr);
    }
    row.priority = kRowHeading;
    row.text = calendarHeadingText(d, holiday, d == today);
    out.append(row, nullptr);
    row.day = dayOf(d);
    row.date = row.day;
    row.priority = kRowClosing;
    row.text.clear();
    out.append(row, nullptr);
  }
  return out;
}

// The old build in display order: its rows stably sorted by the calendar order.
Built SortedOldBuild(Zolt& z, unsigned firstDay, int span) {
  Built old = OldBuild(z, firstDay, span);
  std::vector<unsigned> order(old.rows.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&old](unsigned x, unsigned y) {
    return calendarRowAfter(old.rows[y], old.rows[x]);
  });
  Built sorted;
  for (unsigned i : order) sorted.append(old.rows[i], old.items[i]);
  return sorted;
}

std::string Describe(const T_viewDataItem& r) {
  return std::to_string(r.day) + " " + std::to_string(r.date) + " " + std::to_string(r.secondDate) +
         " " + std::to_string(r.priority) + " " + r.text.str() + " " + std::to_string(r.isGroup) +
         std::to_string(r.completed) + std::to_string(r.firstDay) + std::to_string(r.lastDay);
}

}  // namespace

class CalendarOrderTest : public DocumentTest {
 protected:
  // Items of every kind near `base`, many of them on the same few dates and times, so
  // that rows equal in the calendar order are common and their build order shows.
  void AddItemsNear(unsigned base, std::mt19937& random, int count) {
    auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    auto dayNear = [&](int spread) {
      unsigned d = base;
      moveDate(d, pick(2 * spread) - spread);
      return d;
    };
    static const char* const kTexts[] = {"same", "other", "", "zzz"};
    for (int n = 0; n < count; ++n) {
      std::string text = kTexts[pick(4)];
      int kind = pick(6);
      ToDoListToDo* t = nullptr;
      if (kind <= 1) {  // an appointment over up to three days
        unsigned b = packTime(dayNear(40), 8 + pick(3), 0);
        unsigned e = b;
        moveDate(e, pick(4));
        t = AddAppointment(text, kind == 0 ? 100 : 200, b, packTime(e, 9 + pick(3), 30));
      } else if (kind <= 3) {  // a to-do due, with or without a begin
        unsigned e = dayNear(40), b = e;
        moveDate(b, -pick(10));
        t = AddDatedToDo(text, e, kind == 2 ? kEmptyDateTime : b);
        if (pick(4) == 0) Complete(t);
      } else {  // a recurring to-do or appointment
        unsigned b = dayNear(200);
        unsigned e = b;
        moveDate(e, pick(3));
        t = kind == 4 ? AddDatedToDo(text, e, b)
                      : AddAppointment(text, 100 + 100 * pick(2), packTime(b, 7, 0),
                                       packTime(e, 7 + pick(12), 15));
        zolt.setItem(t);
        T_recData r;
        r.type = 1 + pick(6);
        r.interval = 1 + pick(3);
        zolt.setRecData(r);
      }
      if (t != nullptr && kind >= 2 && kind <= 4) {
        zolt.setItem(t);
        (void)zolt.setItemPriority(static_cast<unsigned>(pick(7)));
      }
    }
  }

  void ExpectSameAsOldBuild(unsigned firstDay, int span) {
    Built old = OldBuild(zolt, firstDay, span);
    std::vector<unsigned> order(old.rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&old](unsigned x, unsigned y) {
      return calendarRowAfter(old.rows[y], old.rows[x]);
    });
    ShowCalendar(firstDay, span);
    const std::vector<unsigned>& shown = zolt.getRowOrder();
    ASSERT_EQ(order.size(), shown.size()) << span << " days from " << firstDay;
    for (size_t n = 0; n < order.size(); ++n) {
      const T_viewDataItem& want = old.rows[order[n]];
      const T_viewDataItem& got = zolt.getRows()[shown[n]];
      ASSERT_EQ(Describe(want), Describe(got)) << "line " << n << " of " << span << " days";
      ASSERT_EQ(old.items[order[n]], zolt.getRowItems()[shown[n]]) << "line " << n;
    }
  }
};

// The lines read one by one, without ever asking for every row, in an order no day
// follows: the last line first, then scattered lines, then every line from the end.
TEST_F(CalendarOrderTest, LinesReadInAnyOrderAreThoseOfTheWholeBuild) {
  std::mt19937 random(11);
  unsigned today = dayOf(getTodayDate(kNoDate));
  AddItemsNear(today, random, 300);
  // Due after the shown days without a begin: on every day, so a day holds many pages.
  for (int k = 0; k < 700; ++k) AddDatedToDo(std::to_string(k % 90), TodayPlus(50 + k % 7));
  for (int span : {1, 9, 42}) {
    Built want = SortedOldBuild(zolt, today & kDateMask, span);
    ShowCalendar(today & kDateMask, span);
    ASSERT_EQ(want.rows.size(), zolt.lineCount()) << span << " days";
    std::vector<size_t> lines{want.rows.size() - 1};
    for (int k = 0; k < 200; ++k) lines.push_back(random() % want.rows.size());
    for (size_t line = want.rows.size(); line-- > 0;) lines.push_back(line);
    for (size_t line : lines) {
      ASSERT_EQ(Describe(want.rows[line]), Describe(zolt.lineRow(line))) << "line " << line;
      ASSERT_EQ(want.items[line], zolt.lineItem(line)) << "line " << line;
      ASSERT_EQ(line, zolt.rowIndexOfLine(line));  // a calendar line is its own row index
    }
  }
}

// Reading the first line makes rows of its day and of no other; the last line's read
// adds rows of the last day only. Every row is made only when asked for all of them.
TEST_F(CalendarOrderTest, ReadingALineMakesOnlyRowsOfItsDay) {
  std::mt19937 random(5);
  unsigned base = Day(2009, 2, 2);
  AddItemsNear(base, random, 200);
  Built want = SortedOldBuild(zolt, base, 42);
  ShowCalendar(base, 42);
  EXPECT_EQ(0u, zolt.rowsMade());
  auto rowsOn = [&want](unsigned date) {
    return static_cast<size_t>(
        std::count_if(want.rows.begin(), want.rows.end(),
                      [date](const T_viewDataItem& r) { return dayOf(r.day) == dayOf(date); }));
  };
  ASSERT_LT(2u, rowsOn(base));  // items, not only the heading and closing row
  EXPECT_EQ(Describe(want.rows[0]), Describe(zolt.lineRow(0)));
  size_t made = zolt.rowsMade();
  EXPECT_LT(0u, made);
  EXPECT_GE(rowsOn(base), made);
  size_t last = want.rows.size() - 1;
  EXPECT_EQ(Describe(want.rows[last]), Describe(zolt.lineRow(last)));
  EXPECT_LT(made, zolt.rowsMade());
  EXPECT_GE(made + rowsOn(want.rows[last].day), zolt.rowsMade());
  EXPECT_EQ(want.rows.size(), zolt.getRows().size());
  EXPECT_EQ(want.rows.size(), zolt.rowsMade());
}

// The line of an item, found through the spans, is the one a look at every line finds;
// and only the days it looks at are made.
TEST_F(CalendarOrderTest, LineOfAnItemIsFoundWithoutMakingEveryDay) {
  std::mt19937 random(3);
  unsigned base = Day(2009, 2, 2);
  AddItemsNear(base, random, 200);
  Built want = SortedOldBuild(zolt, base, 42);
  auto oracle = [&want](const ToDoListItem* item, size_t from) {
    long found = -1;
    for (size_t line = 0; line < want.items.size(); ++line) {
      if (want.items[line] != item) continue;
      found = static_cast<long>(line);
      if (line >= from) break;
    }
    return found;
  };
  ShowCalendar(base, 42);
  for (int k = 0; k < 40; ++k) {
    const ToDoListItem* item = k == 0 ? nullptr : want.items[random() % want.rows.size()];
    long lastLine = oracle(item, want.rows.size());
    // Anywhere, on its first line, and just past its last (found before `from`).
    for (size_t from : {static_cast<size_t>(random() % (want.rows.size() + 2)),
                        static_cast<size_t>(oracle(item, 0)), static_cast<size_t>(lastLine + 1)}) {
      EXPECT_EQ(oracle(item, from), zolt.findLineOf(item, from)) << "from " << from;
    }
  }
  AddToDo("not shown");
  EXPECT_EQ(-1, zolt.findLineOf(zolt.getCurItem(), 0));
  EXPECT_LT(zolt.rowsMade(), want.rows.size());
}

// Deleting an item shown on several days, and undoing the making of one, drop their lines
// without making every row; the lines left are the whole build's without them.
TEST_F(CalendarOrderTest, DeletionsDropTheLinesOfWhatTheyDelete) {
  std::mt19937 random(9);
  unsigned base = Day(2009, 2, 2);
  AddItemsNear(base, random, 200);
  unsigned end = base;
  moveDate(end, 5);
  ToDoListToDo* week = AddAppointment("week", 100, packTime(base, 8, 0), packTime(end, 9, 0));
  Built want = SortedOldBuild(zolt, base, 42);
  ShowCalendar(base, 42);
  (void)zolt.lineRow(0);  // a made day is dropped and made again
  zolt.setItem(week);
  ASSERT_EQ(0, zolt.delToDo());
  Built kept;
  for (size_t n = 0; n < want.rows.size(); ++n) {
    if (want.items[n] != week) kept.append(want.rows[n], want.items[n]);
  }
  ASSERT_EQ(6u, want.rows.size() - kept.rows.size());
  auto expectKept = [&]() {
    ASSERT_EQ(kept.rows.size(), zolt.lineCount());
    for (size_t line = kept.rows.size(); line-- > 0;) {
      ASSERT_EQ(Describe(kept.rows[line]), Describe(zolt.lineRow(line))) << "line " << line;
      ASSERT_EQ(kept.items[line], zolt.lineItem(line)) << "line " << line;
    }
  };
  expectKept();
  EXPECT_LT(zolt.rowsMade(), want.rows.size());
  // A new appointment on the last day's line, then undone: its rows go again.
  size_t lastLine = zolt.lineCount() - 1;
  ASSERT_EQ(0, zolt.newToDo(kBusyPriority, zolt.rowIndexOfLine(lastLine)));
  zolt.incsave_newItem();
  ASSERT_EQ(0, zolt.incsave_saveCurItem());
  ShowCalendar(base, 42);
  ASSERT_EQ(lastLine + 2, zolt.lineCount());
  (void)zolt.lineRow(lastLine + 1);
  ASSERT_EQ(0, zolt.undo());
  expectKept();
}

TEST_F(CalendarOrderTest, RowsAreThoseOfTheOldBuildInTheSameOrder) {
  std::mt19937 random(7);
  unsigned base = Day(2009, 2, 2);
  unsigned today = dayOf(getTodayDate(kNoDate));
  AddItemsNear(base, random, 300);
  AddItemsNear(today, random, 150);  // the overdue block too
  for (int span : {1, 2, 3, 7, 42}) {
    for (unsigned first : {base, Day(2009, 1, 1), Day(2009, 3, 30), today & kDateMask}) {
      ExpectSameAsOldBuild(first, span);
    }
  }
}

// Rows copied onto the days of an item share their text; changing one never changes
// another, and the text reads as the string it was given.
TEST(RowTextTest, CopiesShareAndAssignmentsStayApart) {
  T_viewDataItem a;
  a.text = std::string("night shift");
  T_viewDataItem b = a;
  EXPECT_EQ(a.text.c_str(), b.text.c_str());  // one text for both
  b.text = "day shift";
  EXPECT_EQ("night shift", a.text);
  EXPECT_EQ("day shift", b.text);
  EXPECT_EQ("(8:00-) night shift", "(8:00-) " + a.text);
  const std::string& read = a.text;
  EXPECT_EQ(11u, read.size());
  a.text.clear();
  EXPECT_TRUE(a.text.empty());
  EXPECT_EQ("", a.text);
  EXPECT_EQ("day shift", b.text);
  EXPECT_LT(0, b.text.compare(RowText("day")));
  EXPECT_EQ(0, b.text.compare(RowText("day shift")));
}

// A row is its four packed values, a text handle of one pointer and five flags, with no
// padding beyond the alignment a pointer needs: 32 bytes on 64-bit builds, 28 on 32-bit ones.
TEST(RowTextTest, RowIsSmall) {
  EXPECT_EQ(sizeof(void*), sizeof(RowText));
  constexpr size_t kFields = 4 * sizeof(unsigned) + sizeof(void*) + 5 * sizeof(bool);
  constexpr size_t kAlign = alignof(void*);
  EXPECT_EQ(kAlign, alignof(T_viewDataItem));
  EXPECT_EQ((kFields + kAlign - 1) / kAlign * kAlign, sizeof(T_viewDataItem));
}
