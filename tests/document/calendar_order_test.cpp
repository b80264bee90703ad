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

TEST(RowTextTest, RowIsSmall) {
  if (sizeof(void*) == 8) {
    EXPECT_EQ(32u, sizeof(T_viewDataItem));
  }
}
