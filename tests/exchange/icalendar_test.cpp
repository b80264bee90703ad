#include "exchange/icalendar.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "document/zolt.h"
#include "exchange/packed_text.h"
#include "model/todo_test_util.h"
#include "test_util.h"
#include "util/clock.h"

namespace {

unsigned at(int y, int m, int d, int h = -1, int mi = 0) {
  unsigned v = packDate(kEmptyDateTime, y, m, d);
  return h < 0 ? v : packTime(v, h, mi);
}

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtrTest = std::unique_ptr<icalcomponent, ComponentFree>;

// What a round trip must keep of an item: summary, priority, dates, times and rule.
std::string dates(ToDoListToDo* t) {
  T_recData r;
  t->getRecData(r);
  std::ostringstream os;
  os << "'" << t->getSummary() << "' p" << t->getPriority() << " " << show(t->getDateTime(1))
     << " .. " << show(t->getDateTime(0)) << " rec " << r.type << "/" << r.interval << " "
     << show(r.firstDate) << " " << show(r.lastDate);
  return os.str();
}

// Everything the mapping carries of one item, in a form a failure prints readably.
std::string describe(ToDoListToDo* t, CryptMan& keys) {
  T_recData r;
  t->getRecData(r);
  const char* text = nullptr;
  t->GetDescription(text, &keys);
  std::ostringstream os;
  os << "'" << t->getSummary() << "' p" << t->getPriority() << " " << show(t->getDateTime(1))
     << " .. " << show(t->getDateTime(0)) << " rec " << r.type << "/" << r.interval << " "
     << show(r.firstDate) << " " << show(r.lastDate) << " done " << t->isCompleted() << "@"
     << (t->isCompleted() ? t->getCompletedTime() : 0) << " descr '" << (text ? text : "") << "'";
  return os.str();
}

class IcalendarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    hadTZ = tz != nullptr;
    if (hadTZ) oldTZ = tz;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    doc = open("a.dat");
  }
  void TearDown() override {
    hadTZ ? setenv("TZ", oldTZ.c_str(), 1) : unsetenv("TZ");
    tzset();
  }

  std::unique_ptr<Zolt> open(const std::string& name) {
    auto z = std::make_unique<Zolt>();
    z->createRoot();
    EXPECT_EQ(0, z->readData(dir.file(name).c_str()));
    std::string error;
    EXPECT_GE(z->incsave_readFiles(error), 0) << error;
    return z;
  }

  static void setDateTime(Zolt& z, int which, unsigned v) {
    if (!hasDate(v)) return;
    z.setDate(which, packedYear(v), packedMonth(v), packedDay(v));
    if (hasTime(v)) z.setTime(which, packedHour(v), packedMinute(v));
  }

  // A new item in the current group; it becomes the current item.
  static ToDoListToDo* add(Zolt& z, const std::string& summary, unsigned priority, unsigned begin,
                           unsigned end, T_recData r = T_recData()) {
    EXPECT_EQ(0, z.newToDo(0, 0));
    z.setItemSummary(summary);
    z.setItemPriority(priority);
    if (priority > 6) {
      z.setShowTimeAs(priority == 100 ? 1 : 0);
      setDateTime(z, 1, begin);
      setDateTime(z, 0, end);
    } else {
      setDateTime(z, 0, end);
      setDateTime(z, 1, begin);
    }
    if (r.type != 0) z.setRecData(r);
    return z.getCurItem();
  }

  static std::vector<ToDoListToDo*> todosBelow(ToDoListGroup* g) {
    std::vector<ToDoListItem*> items;
    g->collectSubtree(items);
    std::vector<ToDoListToDo*> todos;
    for (ToDoListItem* i : items) {
      if (auto* t = dynamic_cast<ToDoListToDo*>(i)) todos.push_back(t);
    }
    return todos;
  }

  ToDoListToDo* find(const std::string& summary) {
    for (ToDoListToDo* t : todosBelow(doc->getRoot())) {
      if (t->getSummary() == summary) return t;
    }
    ADD_FAILURE() << "no item " << summary;
    return nullptr;
  }

  static void useZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }

  // The summaries and dates of every to-do below `g`, one line each, in tree order.
  static std::string itemsBelow(ToDoListGroup* g, CryptMan& keys) {
    std::string all;
    for (ToDoListToDo* t : todosBelow(g)) all += describe(t, keys) + "\n";
    return all;
  }

  int importFixture(const std::string& name, T_IcsReport& report) {
    return importICalendar(*doc, testData("ics/" + name).c_str(), report);
  }

  std::string notes(const T_IcsReport& report) {
    std::string all;
    for (const std::string& n : report.notes) all += n + "\n";
    return all;
  }

  TempDir dir;
  std::unique_ptr<Zolt> doc;
  bool hadTZ = false;
  std::string oldTZ;
};

// The lines of an export that must be the same after a round trip: UIDs, stamps and the
// group paths (which gain the import group's name) left out.
std::string comparable(const std::string& ics) {
  std::istringstream in(ics);
  std::string line, out;
  while (std::getline(in, line)) {
    if (line.rfind("UID:", 0) == 0 || line.rfind("DTSTAMP:", 0) == 0 ||
        line.rfind("CATEGORIES:", 0) == 0 || line.rfind("X-ZOLT-GROUP:", 0) == 0) {
      continue;
    }
    out += line + "\n";
  }
  return out;
}

TEST_F(IcalendarTest, RoundTripKeepsItemsDatesPrioritiesAndRecurrences) {
  add(*doc, "Report", 2, at(2009, 2, 9), at(2009, 2, 10, 17, 0));
  add(*doc, "Pay rent", 3, at(2009, 2, 1), at(2009, 2, 1),
      Rec(5, 1, kEmptyDateTime, at(2009, 12, 1)));
  ASSERT_EQ(0, doc->newGroup());
  doc->setGroupSummary("Work");
  add(*doc, "Meeting", 100, at(2009, 2, 3, 10, 0), at(2009, 2, 3, 11, 30),
      Rec(3, 2, kEmptyDateTime, at(2009, 6, 30)));
  add(*doc, "Holiday", 200, at(2009, 2, 5), at(2009, 2, 7));
  ASSERT_EQ(0, doc->newGroup());
  doc->setGroupSummary("Mail, post");
  add(*doc, "Club", 100, at(2009, 1, 29, 19, 0), at(2009, 1, 29, 21, 0), Rec(4, 1));
  add(*doc, "Water plants", 4, at(2009, 2, 2), at(2009, 2, 2), Rec(2, 3, at(2009, 1, 15)));
  add(*doc, "Birthday", 200, at(2009, 3, 12), at(2009, 3, 12), Rec(6, 1));
  add(*doc, "Filed", 5, kEmptyDateTime, at(2009, 1, 20));
  ASSERT_EQ(0, doc->setItemCompleted());
  add(*doc, "Notes", 6, at(2009, 1, 21, 8, 15), at(2009, 1, 21));
  doc->setItemDescription("Line 1\nLine 2, with a comma; and a semicolon \\ and a backslash");
  add(*doc, "Someday", 3, kEmptyDateTime, kEmptyDateTime);

  T_IcsReport first;
  std::string ics = icalendarText(*doc, T_IcsExportOptions(), first);
  EXPECT_EQ(9, first.items);
  // "Someday" undated, "Water plants" resetable, "Report" and "Notes" half without a time.
  ASSERT_EQ(3u, first.notes.size()) << notes(first);
  EXPECT_NE(std::string::npos, notes(first).find("2 items have a date without a time"));

  auto other = open("b.dat");
  T_IcsReport imported;
  ASSERT_EQ(0, importICalendarText(*other, ics, "a", imported)) << imported.error;
  EXPECT_EQ(9, imported.items);
  EXPECT_TRUE(imported.notes.empty()) << notes(imported);
  EXPECT_EQ(1, other->incsave_getNrOfFiles());  // one change, one journal record

  T_IcsReport second;
  EXPECT_EQ(comparable(ics), comparable(icalendarText(*other, T_IcsExportOptions(), second)));

  // The items themselves, also after the journal is replayed at the next start.
  std::vector<std::string> before, after, replayed;
  for (ToDoListToDo* t : todosBelow(doc->getRoot())) {
    if (t->getSummary() != "Someday") before.push_back(describe(t, doc->getKeys()));
  }
  for (ToDoListToDo* t : todosBelow(other->getRoot())) {
    after.push_back(describe(t, other->getKeys()));
  }
  EXPECT_EQ(before, after);
  other.reset();
  auto again = open("b.dat");
  for (ToDoListToDo* t : todosBelow(again->getRoot())) {
    replayed.push_back(describe(t, again->getKeys()));
  }
  EXPECT_EQ(before, replayed);
  ASSERT_EQ(1u, again->getRoot()->getGroups().size());
  ToDoListGroup* group = again->getRoot()->getGroups()[0];
  EXPECT_EQ("a", group->getSummary());
  ASSERT_EQ(1u, group->getGroups().size());
  EXPECT_EQ("Work", group->getGroups()[0]->getSummary());
}

TEST_F(IcalendarTest, ExportMapsKindsPrioritiesStatusAndUids) {
  add(*doc, "Call", 2, at(2009, 2, 9, 9, 0), at(2009, 2, 9, 17, 0));
  add(*doc, "Lunch", 200, at(2009, 2, 10, 12, 0), at(2009, 2, 10, 13, 0));
  add(*doc, "Filed", 5, at(2009, 1, 20), at(2009, 1, 20));
  ASSERT_EQ(0, doc->setItemCompleted());
  unsigned filedID = doc->getCurItem()->getSyncID();
  T_IcsReport report;
  T_IcsExportOptions opts;
  opts.uidDomain = "work.dat";
  std::string ics = icalendarText(*doc, opts, report);
  for (const char* expected :
       {"BEGIN:VTODO", "DTSTART:20090209T090000\r\n", "DUE:20090209T170000\r\n", "PRIORITY:3",
        "BEGIN:VEVENT", "DTSTART:20090210T120000\r\n", "DTEND:20090210T130000\r\n",
        "TRANSP:TRANSPARENT", "DTSTART;VALUE=DATE:20090120", "STATUS:COMPLETED", "COMPLETED:"}) {
    EXPECT_NE(std::string::npos, ics.find(expected)) << expected << "\n" << ics;
  }
  std::string uid = "UID:zolt-" + std::to_string(filedID) + "@work.dat";
  EXPECT_NE(std::string::npos, ics.find(uid)) << ics;
  T_IcsReport again;  // a second export gives the item the same UID
  EXPECT_NE(std::string::npos, icalendarText(*doc, opts, again).find(uid));
}

TEST_F(IcalendarTest, EncryptedDescriptionIsLeftOutWithANote) {
  add(*doc, "Secret", 3, at(2009, 2, 9), at(2009, 2, 9));
  doc->setItemDescription("the safe's code is 1234");
  doc->getCurItem()->SetSaveCrypt(true);
  EXPECT_TRUE(hasEncryptedDescriptions(*doc));
  T_IcsReport report;
  T_IcsExportOptions opts;
  opts.withEncrypted = true;  // asked for, but nobody is logged in
  std::string ics = icalendarText(*doc, opts, report);
  EXPECT_EQ(std::string::npos, ics.find("1234")) << ics;
  ASSERT_EQ(1u, report.notes.size());
  EXPECT_NE(std::string::npos, report.notes[0].find("\"Secret\" was left out"));
  EXPECT_NE(std::string::npos, exportMessage("x.ics", report).find("left out"));
}

// ---- Recurrences: libical's expansion of the exported rule against Zolt's calendar ----

struct RecurrenceCase {
  const char* name;
  unsigned priority;
  unsigned begin, end;
  T_recData rec;
  int years;  // how long to compare
};

// The main dates (due dates of to-dos, begin dates of appointments) of the occurrences
// Zolt's calendar view shows in [from, from + days).
std::vector<std::string> zoltOccurrences(Zolt& z, ToDoListToDo* t, unsigned from, int days) {
  std::vector<std::string> found;
  z.setMainViewType(kMainViewCalendar);
  z.setCalSpan(42);
  unsigned first = dayOf(from);
  for (int done = 0; done < days; done += 42) {
    z.setCalFirstDay(first);
    z.clearViewData();
    z.getContent();
    const std::vector<T_viewDataItem>& rows = z.getRows();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (z.getRowItems()[i] != t) continue;
      bool mainDay = t->isAppointment() ? rows[i].firstDay : rows[i].lastDay;
      if (mainDay && getDateDiff(rows[i].day, from) < days)
        found.push_back(show(dayOf(rows[i].day)));
    }
    moveDate(first, 42);
  }
  z.clearViewData();
  return found;
}

// The same from the exported component: DTSTART's occurrences by libical's iterator,
// moved to the due day for a to-do.
std::vector<std::string> icalOccurrences(const std::string& ics, unsigned from, int days) {
  std::vector<std::string> found;
  icalcomponent* cal = icalparser_parse_string(ics.c_str());
  EXPECT_NE(nullptr, cal);
  if (cal == nullptr) return found;
  icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT);
  bool todo = icalcomponent_isa(c) == ICAL_VTODO_COMPONENT;
  icaltimetype start = icalcomponent_get_dtstart(c);
  icaltimetype due = todo ? icalcomponent_get_due(c) : start;
  int shift = icaltime_day_of_year(due) - icaltime_day_of_year(start) +
              (due.year != start.year ? icaltime_days_in_year(start.year) : 0);
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
  EXPECT_NE(nullptr, p);
  icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(p), start);
  for (icaltimetype next = icalrecur_iterator_next(it); !icaltime_is_null_time(next);
       next = icalrecur_iterator_next(it)) {
    unsigned v = at(next.year, next.month, next.day);
    moveDate(v, shift);
    if (getDateDiff(v, from) >= days) break;
    found.push_back(show(v));
  }
  icalrecur_iterator_free(it);
  icalcomponent_free(cal);
  return found;
}

TEST_F(IcalendarTest, ExportedRulesExpandToTheOccurrencesZoltShows) {
  const RecurrenceCase kCases[] = {
      {"daily every 3rd day until June", 3, at(2009, 1, 5), at(2009, 1, 5),
       Rec(1, 3, kEmptyDateTime, at(2009, 6, 30)), 1},
      {"daily appointment with a time, until a day", 100, at(2009, 1, 5, 7, 30),
       at(2009, 1, 5, 8, 0), Rec(1, 10, kEmptyDateTime, at(2009, 7, 24)), 1},
      {"weekly every 2nd week", 100, at(2009, 2, 3, 10, 0), at(2009, 2, 3, 11, 0), Rec(3, 2), 1},
      {"weekly to-do starting two days early, until", 2, at(2009, 2, 1, 9, 0),
       at(2009, 2, 3, 17, 0), Rec(3, 1, kEmptyDateTime, at(2009, 9, 1)), 1},
      {"monthly on the fifth Thursday", 100, at(2009, 1, 29, 19, 0), at(2009, 1, 29, 21, 0),
       Rec(4, 1), 1},
      {"monthly on the second Tuesday every 2nd month", 4, at(2009, 2, 10), at(2009, 2, 10),
       Rec(4, 2), 1},
      {"monthly on the 31st", 3, at(2009, 1, 31), at(2009, 1, 31), Rec(5, 1), 1},
      {"monthly on the 15th every 3rd month until", 200, at(2009, 1, 15), at(2009, 1, 15),
       Rec(5, 3, kEmptyDateTime, at(2009, 10, 15)), 1},
      {"yearly", 3, at(2009, 3, 12), at(2009, 3, 12), Rec(6, 1), 3},
      {"yearly on 29 February", 200, at(2008, 2, 29), at(2008, 2, 29), Rec(6, 1), 9},
  };
  for (const RecurrenceCase& c : kCases) {
    auto z = open(std::string("r") + std::to_string(&c - kCases) + ".dat");
    ToDoListToDo* t = add(*z, c.name, c.priority, c.begin, c.end, c.rec);
    T_recData stored;
    t->getRecData(stored);
    ASSERT_EQ(c.rec, stored) << c.name;
    T_IcsReport report;
    std::string ics = icalendarText(*z, T_IcsExportOptions(), report);
    unsigned from = c.priority > 6 ? c.begin : c.end;
    int days = 365 * c.years;
    std::vector<std::string> zolt = zoltOccurrences(*z, t, from, days);
    EXPECT_GT(zolt.size(), 1u) << c.name;
    EXPECT_EQ(zolt, icalOccurrences(ics, from, days)) << c.name << "\n" << ics;
  }
}

// The week of the month of a monthly-by-weekday rule, on the days where (d - 1) / 7 + 1
// changes or reaches five: written as BYDAY, read back as the same rule without a note,
// and stepped by Zolt to the days libical expands.
TEST_F(IcalendarTest, MonthlyByWeekdayKeepsItsWeekOfTheMonthBothWays) {
  static const struct {
    int day;
    const char* byday;
  } kCases[] = {{7, "1WE"},  {14, "2WE"}, {21, "3WE"}, {28, "4WE"},
                {29, "5TH"}, {30, "5FR"}, {31, "5SA"}};
  for (const auto& c : kCases) {
    auto z = open("w" + std::to_string(c.day) + ".dat");
    ToDoListToDo* t =
        add(*z, "Club", 100, at(2009, 1, c.day, 19, 0), at(2009, 1, c.day, 21, 0), Rec(4, 1));
    T_IcsReport report;
    std::string ics = icalendarText(*z, T_IcsExportOptions(), report);
    EXPECT_NE(std::string::npos, ics.find(std::string("RRULE:FREQ=MONTHLY;BYDAY=") + c.byday))
        << c.day << "\n"
        << ics;
    unsigned from = at(2009, 1, c.day);
    EXPECT_EQ(zoltOccurrences(*z, t, from, 3 * 365), icalOccurrences(ics, from, 3 * 365)) << c.day;
    auto back = open("wb" + std::to_string(c.day) + ".dat");
    T_IcsReport in;
    ASSERT_EQ(0, importICalendarText(*back, ics, "w", in)) << in.error;
    EXPECT_TRUE(in.notes.empty()) << c.day << ": " << notes(in);
    T_recData r;
    todosBelow(back->getRoot()).at(0)->getRecData(r);
    EXPECT_EQ(4, r.type) << c.day;
  }
}

// A daily resetable to-do's next date depends on the day it is completed: the export is
// the daily rule it follows when completed on each due day, and Zolt reads its kind back.
TEST_F(IcalendarTest, DailyResetableIsExportedAsDailyAndReadBack) {
  ToDoListToDo* t = add(*doc, "Water plants", 3, at(2009, 2, 2), at(2009, 2, 2), Rec(2, 2));
  T_IcsReport report;
  std::string ics = icalendarText(*doc, T_IcsExportOptions(), report);
  EXPECT_NE(std::string::npos, ics.find("RRULE:FREQ=DAILY;INTERVAL=2")) << ics;
  EXPECT_NE(std::string::npos, ics.find("X-ZOLT-RECURRENCE:DAILY-RESETABLE")) << ics;
  ASSERT_EQ(1u, report.notes.size());
  EXPECT_NE(std::string::npos, report.notes[0].find("counts from the day it is completed"));
  std::vector<std::string> shown = zoltOccurrences(*doc, t, at(2009, 2, 2), 42);
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(shown[0], icalOccurrences(ics, at(2009, 2, 2), 42).at(0));

  auto other = open("b.dat");
  T_IcsReport imported;
  ASSERT_EQ(0, importICalendarText(*other, ics, "plants", imported));
  T_recData r;
  todosBelow(other->getRoot()).at(0)->getRecData(r);
  EXPECT_EQ(2, r.type);
  EXPECT_EQ(2, r.interval);
}

// ---- Files as other programs write them ----

TEST_F(IcalendarTest, AllDayEventsFromGoogle) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("all_day_google.ics", report)) << report.error;
  EXPECT_EQ(2, report.items);
  EXPECT_TRUE(report.notes.empty()) << notes(report);
  EXPECT_EQ("all_day_google", report.groupName);
  EXPECT_EQ("'Grandma's birthday' p200 2009-02-12 .. 2009-02-12 rec 6/1 - - done 0@0 descr ''",
            describe(find("Grandma's birthday"), doc->getKeys()));
  EXPECT_EQ("'Ski trip' p100 2009-02-14 .. 2009-02-16 rec 0/1 - - done 0@0 descr ''",
            describe(find("Ski trip"), doc->getKeys()));
}

TEST_F(IcalendarTest, UtcAndTzidTimesBecomeLocalTimes) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("utc_times.ics", report)) << report.error;
  ASSERT_EQ(0, importFixture("tzid_outlook.ics", report)) << report.error;
  EXPECT_TRUE(report.notes.empty()) << notes(report);
  static const struct {
    const char* summary;
    const char* expected;
  } kCases[] = {
      {"Call with Tokyo", "p100 2009-02-12 10:00 .. 2009-02-12 11:30"},
      {"Summer call", "p100 2009-07-12 11:00 .. 2009-07-12 11:45"},
      {"Tax form", "p1 - .. 2009-02-14 00:00"},
      {"Board meeting", "p100 2009-02-12 15:00 .. 2009-02-12 16:00"},
      {"Summer board meeting", "p100 2009-06-12 15:00 .. 2009-06-12 16:00"},
  };
  for (const auto& c : kCases) {
    std::string d = describe(find(c.summary), doc->getKeys());
    EXPECT_NE(std::string::npos, d.find(c.expected)) << c.summary << ": " << d;
  }
}

TEST_F(IcalendarTest, FoldedLinesAndEscapesAreUnfolded) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("folded_lines.ics", report)) << report.error;
  ToDoListToDo* t = find(
      "Prepare the quarterly report for the board with all the figures from the sales "
      "department");
  ASSERT_NE(nullptr, t);
  const char* text = nullptr;
  t->GetDescription(text, nullptr);
  EXPECT_STREQ("First line\nSecond line with a comma, and a semicolon; which are escaped", text);
  EXPECT_EQ("Reports",
            doc->getRoot()->getGroups()[0]->getGroups()[0]->getGroups()[0]->getSummary());
}

TEST_F(IcalendarTest, WhatZoltCannotHoldIsImportedNearAndListed) {
  FixedClock clock(1233446400);  // 2009-02-01: rules Zolt cannot say are followed to 2012
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("rules_zolt_cannot_hold.ics", report)) << report.error;
  // "Gym" as one series per weekday, "Standup" in two runs around its EXDATE, "Brunch" as
  // its 36 last Sundays to the horizon in 26 runs of "the fourth Sunday", four more
  EXPECT_EQ(3 + 2 + 26 + 4, report.items);
  static const struct {
    const char* summary;
    const char* item;
    const char* note;  // null: nothing to note
  } kCases[] = {
      {"Gym", "p100 2009-02-09 18:00 .. 2009-02-09 19:00 rec 3/1 - -",
       "Appointment \"Gym\": its rule FREQ=WEEKLY;BYDAY=MO,WE,FR became one weekly series per "
       "weekday"},
      {"Standup", "p100 2009-02-09 09:00 .. 2009-02-09 09:15 rec 1/1 - 2009-02-10",
       "Appointment \"Standup\": its series was split into 2 series, around 1 left-out or moved "
       "occurrences"},
      {"Brunch", "p100 2009-02-22 .. 2009-02-22 rec 0/1",
       "Appointment \"Brunch\": the rule FREQ=MONTHLY;BYDAY=-1SU cannot be said by Zolt's "
       "recurrence: its 36 occurrences up to 2012-02-22 became 26 items; later ones were not "
       "imported"},
      {"Millennium party", "p100 2000-01-01 20:00 .. 2000-01-01 23:00 rec 0/1",
       "Appointment \"Millennium party\": the date 1999-12-31 lies outside 2000-2127 and was set "
       "to 2000-01-01"},
      {"Anniversary", "p100 2009-03-01 .. 2009-03-01 rec 6/1 - -",
       "Appointment \"Anniversary\": COUNT=500: no last date could be worked out, so the rule "
       "runs on without end"},
      {"Someday", "p6 - .. 2009-02-15", nullptr},  // PRIORITY:9, the lowest
      {"Filed", "p3 - .. 2009-02-10 rec 0/1 - - done 1@1234267200", nullptr},
  };
  std::string all = notes(report);
  for (const auto& c : kCases) {
    std::string d = describe(find(c.summary), doc->getKeys());
    EXPECT_NE(std::string::npos, d.find(c.item)) << c.summary << ": " << d;
    if (c.note) {
      EXPECT_NE(std::string::npos, all.find(c.note)) << c.note << "\n" << all;
    }
  }
  EXPECT_NE(std::string::npos, all.find("Zolt has no alarms; 1 left out")) << all;
  EXPECT_NE(std::string::npos, all.find("1 VJOURNAL component(s)")) << all;
  // One message names them all.
  std::string message = importMessage("rules.ics", report);
  EXPECT_EQ(0u, message.find("Imported " + std::to_string(report.items) +
                             " to-dos and appointments into the new group"));
  for (const std::string& n : report.notes) EXPECT_NE(std::string::npos, message.find(n));
}

TEST_F(IcalendarTest, DamagedFilesAreRefusedAndChangeNothing) {
  static const struct {
    const char* name;
    const char* text;
    const char* error;
  } kCases[] = {
      {"truncated",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART:20090212T100000\r\n"
       "SUMMARY:x\r\n",
       "no complete BEGIN:VCALENDAR"},
      {"not iCalendar", "<type=Zolt>\n<data>\n</data>\n", "no complete BEGIN:VCALENDAR"},
      {"empty", "", "no complete BEGIN:VCALENDAR"},
      {"bad date",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nSUMMARY:ok\r\nDTSTART:20090212T1000\r\n"
       "END:VEVENT\r\nBEGIN:VEVENT\r\nSUMMARY:fine\r\nDTSTART:20090213\r\nEND:VEVENT\r\n"
       "END:VCALENDAR\r\n",
       "damaged"},
      {"empty start",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nSUMMARY:ok\r\nDTSTART:\r\n"
       "END:VEVENT\r\nEND:VCALENDAR\r\n",
       "No value for DTSTART"},
      {"start line garbled",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nSUMMARY:ok\r\nDTSTART20090212\r\n"
       "END:VEVENT\r\nEND:VCALENDAR\r\n",
       "Appointment \"ok\" has no start that can be read"},
      {"damaged EXDATE",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nSUMMARY:ok\r\n"
       "DTSTART:20090212T100000\r\nRRULE:FREQ=DAILY\r\nEXDATE:2009021\r\nEND:VEVENT\r\n"
       "END:VCALENDAR\r\n",
       "EXDATE"},
      {"bad rule",
       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nSUMMARY:ok\r\n"
       "DTSTART;VALUE=DATE:20090212\r\nRRULE:FREQ=SOMETIMES\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
       "RRULE"},
  };
  add(*doc, "Existing", 3, at(2009, 2, 9), at(2009, 2, 9));
  unsigned idmax = doc->getIdmax();
  int journal = doc->incsave_getNrOfFiles();
  for (const auto& c : kCases) {
    std::string file = dir.file("damaged.ics");
    writeFile(file, c.text);
    T_IcsReport report;
    EXPECT_EQ(-1, importICalendar(*doc, file.c_str(), report)) << c.name;
    EXPECT_NE(std::string::npos, report.error.find(c.error)) << c.name << ": " << report.error;
    EXPECT_NE(std::string::npos, importMessage(file, report).find("othing was imported")) << c.name;
    EXPECT_TRUE(doc->getRoot()->getGroups().empty()) << c.name;
    EXPECT_EQ(1u, doc->getRoot()->getToDos().size()) << c.name;
    EXPECT_EQ(idmax, doc->getIdmax()) << c.name;
    EXPECT_EQ(journal, doc->incsave_getNrOfFiles()) << c.name;
  }
  T_IcsReport missing;
  EXPECT_EQ(-1, importICalendar(*doc, dir.file("missing.ics").c_str(), missing));
  EXPECT_NE(std::string::npos, missing.error.find("Could not open"));
}

// ---- Files from calendar services and mail programs ----

// Empty DESCRIPTION, LOCATION, SEQUENCE ... and an alarm's bad TRIGGER are left out and
// listed; a cancelled event is left out and counted; a SUMMARY keeps its trailing blanks.
TEST_F(IcalendarTest, EmptyPropertiesAreLeftOutAndListed) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("google_empty_properties.ics", report)) << report.error;
  EXPECT_EQ(2, report.items);
  std::string all = notes(report);
  for (const char* listed :
       {"14 empty or unreadable properties were left out", "DESCRIPTION (3)", "LOCATION (2)",
        "SEQUENCE (1)", "CATEGORIES (1)", "URL (1)", "GEO (1)", "ORGANIZER (1)", "X- (2)",
        "PRIORITY (1)", "TRIGGER in an alarm (1)", "1 cancelled"}) {
    EXPECT_NE(std::string::npos, all.find(listed)) << listed << "\n" << all;
  }
  EXPECT_EQ(
      "'Lunch with Anna  ' p100 2009-02-12 18:00 .. 2009-02-12 19:00 rec 0/1 - - done 0@0 "
      "descr ''",
      describe(find("Lunch with Anna  "), doc->getKeys()));
  EXPECT_EQ("'Send the forms' p3 - .. 2009-02-16 rec 0/1 - - done 0@0 descr ''",
            describe(find("Send the forms"), doc->getKeys()));
  // The blanks go out again as they came in.
  T_IcsReport out;
  EXPECT_NE(std::string::npos,
            icalendarText(*doc, T_IcsExportOptions(), out).find("SUMMARY:Lunch with Anna  \r\n"));
}

// A weekly 09:00 in Berlin, read in UTC: 08:00 until Berlin's clocks change, 07:00 after,
// as two series; its UTC UNTIL keeps the last occurrence. Read in Berlin it stays one, and
// a series within one offset period stays one in UTC too.
TEST_F(IcalendarTest, SeriesInAnotherZoneIsSplitWhereTheOffsetChanges) {
  FixedClock clock(1233446400);  // 2009-02-01
  static const struct {
    const char* zone;
    const char* items;
    const char* note;  // null: none
  } kCases[] = {
      {"UTC",
       "'Weekly planning' p100 2009-03-05 08:00 .. 2009-03-05 09:00 rec 3/1 - 2009-03-26 done "
       "0@0 descr ''\n"
       "'Weekly planning' p100 2009-04-02 07:00 .. 2009-04-02 08:00 rec 3/1 - 2009-04-16 done "
       "0@0 descr ''\n"
       "'Summer standup' p100 2009-06-01 07:00 .. 2009-06-01 07:30 rec 3/1 - 2009-07-06 done 0@0 "
       "descr ''\n",
       "Appointment \"Weekly planning\": its series was split into 2 series, so that every "
       "occurrence keeps its local time"},
      {"Europe/Berlin",
       "'Weekly planning' p100 2009-03-05 09:00 .. 2009-03-05 10:00 rec 3/1 - 2009-04-16 done "
       "0@0 descr ''\n"
       "'Summer standup' p100 2009-06-01 09:00 .. 2009-06-01 09:30 rec 3/1 - 2009-07-06 done 0@0 "
       "descr ''\n",
       nullptr},
  };
  for (const auto& c : kCases) {
    useZone(c.zone);
    auto z = open(std::string("z") + c.zone[0] + ".dat");
    T_IcsReport report;
    ASSERT_EQ(0, importICalendar(*z, testData("ics/berlin_weekly.ics").c_str(), report));
    EXPECT_EQ(c.items, itemsBelow(z->getRoot(), z->getKeys())) << c.zone;
    std::string all = notes(report);
    if (c.note != nullptr) {
      EXPECT_NE(std::string::npos, all.find(c.note)) << c.zone << "\n" << all;
    } else {
      EXPECT_EQ("", all) << c.zone;
    }
  }
}

// An hour that starts at 02:30 summer time ends at 02:30 winter time: Zolt holds wall clock
// times only, so it ends at 03:30 rather than not last at all; a series as well.
TEST_F(IcalendarTest, AnHourInTheRepeatedHourKeepsItsLength) {
  FixedClock clock(1254355200);  // 2009-10-01
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("repeated_hour.ics", report)) << report.error;
  std::string items = itemsBelow(doc->getRoot(), doc->getKeys());
  for (const char* item : {"'Night shift handover' p100 2009-10-25 02:30 .. 2009-10-25 03:30",
                           "'Backup check' p100 2009-10-25 02:30 .. 2009-10-25 03:30",
                           "'Night round' p100 2009-10-18 02:30 .. 2009-10-18 03:30 rec 3/1 - "
                           "2009-10-25"}) {
    EXPECT_NE(std::string::npos, items.find(item)) << item << "\n" << items;
  }
}

// A series with an EXDATE, a moved and a cancelled occurrence: the series is split around
// them, the moved one stands alone and is named, nothing shows twice.
TEST_F(IcalendarTest, MovedAndLeftOutOccurrencesSplitTheSeries) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("moved_occurrence.ics", report)) << report.error;
  EXPECT_EQ(
      "'Team meeting' p100 2009-02-03 10:00 .. 2009-02-03 11:00 rec 0/1 - - done 0@0 descr ''\n"
      "'Team meeting' p100 2009-02-17 10:00 .. 2009-02-17 11:00 rec 0/1 - - done 0@0 descr ''\n"
      "'Team meeting' p100 2009-03-10 10:00 .. 2009-03-10 11:00 rec 0/1 - - done 0@0 descr ''\n"
      "'Team meeting (moved)' p100 2009-02-11 14:00 .. 2009-02-11 15:00 rec 0/1 - - done 0@0 "
      "descr ''\n",
      itemsBelow(doc->getRoot(), doc->getKeys()));
  std::string all = notes(report);
  for (const char* n :
       {"Appointment \"Team meeting\": its series was split into 3 series, around 3 left-out or "
        "moved occurrences",
        "Appointment \"Team meeting (moved)\": a moved occurrence of a series: imported as an "
        "item of its own",
        "1 cancelled"}) {
    EXPECT_NE(std::string::npos, all.find(n)) << n << "\n" << all;
  }
}

// Observances that repeat every hour or second would keep libical busy for minutes: their
// rules are ignored, said, and the file is read at once.
TEST_F(IcalendarTest, RunawayTimeZoneRulesAreIgnored) {
  auto started = std::chrono::steady_clock::now();
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("malformed_timezone.ics", report)) << report.error;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));  // finishes
  EXPECT_EQ(1, report.items);
  std::string all = notes(report);
  EXPECT_NE(std::string::npos, all.find("Time zone Hourly: a change of its clocks repeats")) << all;
  EXPECT_NE(std::string::npos, all.find("Time zone Secondly:")) << all;
}

TEST_F(IcalendarTest, ANulByteOrAFolderSaysWhatIsWrong) {
  T_IcsReport nul;
  EXPECT_EQ(-1, importFixture("nul_byte.ics", nul));
  EXPECT_NE(std::string::npos, nul.error.find("NUL byte (line 6)")) << nul.error;
  T_IcsReport folder;
  EXPECT_EQ(-1, importICalendar(*doc, dir.path().c_str(), folder));
  EXPECT_NE(std::string::npos, folder.error.find("is a folder, not a file")) << folder.error;
  EXPECT_TRUE(doc->getRoot()->getGroups().empty());
}

// Bytes that are not UTF-8 become U+FFFD on the way in, said once; the export is UTF-8.
TEST_F(IcalendarTest, InvalidUtf8IsReplacedAndSaid) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("invalid_utf8.ics", report)) << report.error;
  EXPECT_NE(std::string::npos, notes(report).find("2 bytes are not UTF-8")) << notes(report);
  ToDoListToDo* t = find("M\xEF\xBF\xBDnchen trip");
  ASSERT_NE(nullptr, t);
  const char* text = nullptr;
  t->GetDescription(text, nullptr);
  EXPECT_STREQ("caf\xC3\xA9 ok, bad \xEF\xBF\xBD end", text);
}

// What Zolt's item has no field for: the link and the people go into the description as
// the place does, a subtask goes into a group named after its parent, floating times are
// in the calendar's X-WR-TIMEZONE, and the rest is named once per kind.
TEST_F(IcalendarTest, WhatAnItemCannotHoldIsKeptOrNamed) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("said_not_dropped.ics", report)) << report.error;
  EXPECT_EQ(7, report.items);
  ToDoListGroup* top = doc->getRoot()->getGroups()[0];
  ASSERT_EQ(1u, top->getGroups().size());
  ToDoListGroup* priv = top->getGroups()[0];
  ASSERT_EQ("Private", priv->getSummary());
  ASSERT_EQ(1u, priv->getGroups().size());
  ToDoListGroup* plan = priv->getGroups()[0];
  EXPECT_EQ("Plan trip", plan->getSummary());
  ASSERT_EQ(1u, plan->getToDos().size());
  EXPECT_EQ("Plan trip", plan->getToDos()[0]->getSummary());
  ASSERT_EQ(1u, plan->getGroups().size());
  ToDoListGroup* flight = plan->getGroups()[0];
  EXPECT_EQ("Book flight", flight->getSummary());
  std::vector<std::string> inFlight;
  for (ToDoListToDo* t : flight->getToDos()) inFlight.push_back(t->getSummary());
  EXPECT_EQ((std::vector<std::string>{"Book flight", "Pick seats"}), inFlight);

  std::string board = describe(find("Board meeting"), doc->getKeys());
  EXPECT_EQ(
      "'Board meeting' p100 2009-02-12 16:00 .. 2009-02-12 17:00 rec 0/1 - - done 0@0 descr "
      "'Location: Room 4\nURL: https://example.com/m?id=4\nOrganizer: Alice Smith "
      "<alice@example.com>\nAttendees: Bob <bob@example.com>, carol@example.com'",
      board);
  EXPECT_NE(
      std::string::npos,
      describe(find("Lander call"), doc->getKeys()).find("2009-02-12 09:00 .. 2009-02-12 09:30"));

  std::string all = notes(report);
  for (const char* n : {
           "1 item is marked private or confidential (CLASS)",
           "1 item is partly done (PERCENT-COMPLETE)",
           "1 item is in progress (STATUS:IN-PROCESS)",
           "1 item is tentative (STATUS:TENTATIVE or a tentative busy status)",
           "1 item is shown as out of office (X-MICROSOFT-CDO-BUSYSTATUS:OOF)",
           "1 item is a subtask of an item that is not in the file (RELATED-TO)",
           "1 item names a related item other than its parent (RELATED-TO)",
           "The calendar's time zone Mars/Olympus (X-WR-TIMEZONE) is unknown",
       }) {
    EXPECT_NE(std::string::npos, all.find(n)) << n << "\n" << all;
  }
}

// Subtasks that name each other as parent make no tree: each stays in the import's group.
TEST_F(IcalendarTest, SubtasksInALoopStayInTheirOwnGroup) {
  std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n";
  for (const char* pair : {"a:b", "b:a"}) {
    ics += std::string("BEGIN:VTODO\r\nUID:") + pair[0] + "\r\nSUMMARY:Task " + pair[0] +
           "\r\nDUE;VALUE=DATE:20090220\r\nRELATED-TO:" + pair[2] + "\r\nEND:VTODO\r\n";
  }
  ics += "END:VCALENDAR\r\n";
  T_IcsReport report;
  ASSERT_EQ(0, importICalendarText(*doc, ics, "loop", report)) << report.error;
  ToDoListGroup* top = doc->getRoot()->getGroups()[0];
  EXPECT_TRUE(top->getGroups().empty());
  EXPECT_EQ(2u, top->getToDos().size());
  EXPECT_NE(std::string::npos, notes(report).find("2 items are subtasks of an item that is not in "
                                                  "the file (RELATED-TO), or of one of its own"))
      << notes(report);
}

// Writers fold at 75 octets, also inside a character: the joined lines are UTF-8.
TEST_F(IcalendarTest, AFoldInsideACharacterKeepsTheCharacter) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("fold_inside_utf8.ics", report)) << report.error;
  EXPECT_EQ("", notes(report));
  ToDoListToDo* t = find("Trip to M\xC3\xBCnchen");
  ASSERT_NE(nullptr, t);
  const char* text = nullptr;
  t->GetDescription(text, nullptr);
  EXPECT_STREQ("Caf\xC3\xA9 \xE2\x82\xAC 3", text);
}

// A component whose name libical does not know ("BEGIN:1VEVENT", found by the fuzzer) is
// left out and counted, not named through a null pointer that ended the program.
TEST_F(IcalendarTest, AComponentOfAnUnknownKindIsLeftOutAndCounted) {
  std::string text =
      readFile(testData("fuzz/ics_import/crash-8ed885b0102fd527e5b869d8c3a15b1035afce0d"));
  ASSERT_NE(std::string::npos, text.find("BEGIN:1VEVENT"));
  T_IcsReport made;
  EXPECT_EQ(0, importICalendarText(*doc, text, "fuzzed", made)) << made.error;
  EXPECT_EQ(2, made.items);
  bool counted = false;
  for (const std::string& n : made.notes) {
    counted = counted || n.find("1 unknown component(s) are not to-dos") != std::string::npos;
  }
  EXPECT_TRUE(counted);
}

// A moved occurrence dated in the year 10045 (found by the fuzzer) once made every step of
// its series expand the zone up to that year, so the series ran out of its time and was cut.
TEST_F(IcalendarTest, AFarOffExclusionDoesNotCutTheSeriesShort) {
  std::string text =
      readFile(testData("fuzz/ics_import/slow-unit-8d2157840bed860765d27dcbf999d1800f44e1ad"));
  ASSERT_NE(std::string::npos, text.find(":10045158T080000"));
  T_IcsReport made;
  EXPECT_EQ(0, importICalendarText(*doc, text, "fuzzed", made)) << made.error;
  for (const std::string& n : made.notes) {
    EXPECT_EQ(std::string::npos, n.find("too long to follow")) << n;
  }
}

// Nesting far past what calendars use is refused before any walk over it; the deep one
// took the importer's stack.
TEST_F(IcalendarTest, DeeplyNestedComponentsAreRefused) {
  // A fold inside BEGIN hides nothing: the parser reads the joined line.
  static const struct {
    const char* begin;
    const char* line;
  } kCases[] = {{"BEGIN:X-NEST\r\n", "nested more than 32 deep (line 35)"},
                {"BEG\r\n IN:X-NEST\r\n", "nested more than 32 deep (line 66)"}};
  for (const auto& c : kCases) {
    std::string deep = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n";
    for (int i = 0; i < 50000; ++i) deep += c.begin;
    for (int i = 0; i < 50000; ++i) deep += "END:X-NEST\r\n";
    deep += "END:VCALENDAR\r\n";
    T_IcsReport made;
    EXPECT_EQ(-1, importICalendarText(*doc, deep, "deep", made));
    EXPECT_NE(std::string::npos, made.error.find(c.line)) << made.error;
  }
  T_IcsReport kept;
  EXPECT_EQ(-1, importFixture("nested_too_deep.ics", kept));
  EXPECT_NE(std::string::npos, kept.error.find("(line 35)")) << kept.error;
  EXPECT_TRUE(doc->getRoot()->getGroups().empty());
}

// DTSTART and DTEND in the same unknown zone: one note, not one per property.
TEST_F(IcalendarTest, ANoteIsGivenOnce) {
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("unknown_zone.ics", report)) << report.error;
  ASSERT_EQ(1u, report.notes.size()) << notes(report);
  EXPECT_EQ(
      "Appointment \"Call from nowhere\": unknown time zone Nowhere/Special, times read as "
      "local",
      report.notes[0]);
  EXPECT_EQ(
      "'Call from nowhere' p100 2009-02-12 10:00 .. 2009-02-12 11:00 rec 3/1 - 2009-02-26 "
      "done 0@0 descr ''",
      describe(find("Call from nowhere"), doc->getKeys()));
}

// ---- Export ----

class IcalendarExportCasesTest : public IcalendarTest {
 protected:
  void SetUp() override {
    IcalendarTest::SetUp();
    writeFile(dir.file("cases.dat"), readFile(testData("ics/export_cases.dat")));
    cases = open("cases.dat");
    ics = icalendarText(*cases, T_IcsExportOptions(), report);
  }
  std::unique_ptr<Zolt> cases;
  T_IcsReport report;
  std::string ics;
};

// Zolt's 1 to 6 on RFC 5545's scale, where 5 is medium: 3, the default, is medium.
TEST_F(IcalendarExportCasesTest, PrioritiesMapOntoTheStandardScaleAndBack) {
  static const int kRfc[] = {1, 3, 5, 6, 7, 9};
  for (int p = 1; p <= 6; ++p) {
    std::string line = "SUMMARY:Priority " + std::to_string(p) + "\r\n";
    size_t at = ics.find(line);
    ASSERT_NE(std::string::npos, at) << p;
    EXPECT_NE(std::string::npos, ics.find("PRIORITY:" + std::to_string(kRfc[p - 1]) + "\r\n", at))
        << p;
  }
  auto back = open("back.dat");
  T_IcsReport in;
  ASSERT_EQ(0, importICalendarText(*back, ics, "cases", in)) << in.error;
  int seen = 0;
  for (ToDoListToDo* t : todosBelow(back->getRoot())) {
    for (int p = 1; p <= 6; ++p) {
      if (t->getSummary() != "Priority " + std::to_string(p)) continue;
      EXPECT_EQ(static_cast<unsigned>(p), t->getPriority());
      ++seen;
    }
  }
  EXPECT_EQ(6, seen);
  // An export of an older Zolt wrote its own scale: read as it was meant.
  std::string old = ics;
  old.erase(old.find("X-ZOLT-PRIORITY-SCALE:RFC5545\r\n"), 31);
  auto older = open("older.dat");
  ASSERT_EQ(0, importICalendarText(*older, old, "cases", in));
  for (ToDoListToDo* t : todosBelow(older->getRoot())) {
    if (t->getSummary() == "Priority 2") {
      EXPECT_EQ(3u, t->getPriority());
    }
  }
}

TEST_F(IcalendarExportCasesTest, CategoriesAndControlCharactersAreEscapedOrDropped) {
  EXPECT_NE(std::string::npos, ics.find("CATEGORIES:Mail\\, post\\; misc\r\n")) << ics;
  EXPECT_NE(std::string::npos, ics.find("DESCRIPTION:Bell and\ttab end\r\n")) << ics;
  std::string all = notes(report);
  EXPECT_NE(std::string::npos, all.find("Control characters (other than line ends and tabs) were "
                                        "left out of 1 texts"))
      << all;
  // libical reads the escaped name back as one category.
  ComponentPtrTest parsed(icalparser_parse_string(ics.c_str()));
  int named = 0;
  for (icalcomponent* c = icalcomponent_get_first_component(parsed.get(), ICAL_VTODO_COMPONENT);
       c != nullptr; c = icalcomponent_get_next_component(parsed.get(), ICAL_VTODO_COMPONENT)) {
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY);
    if (p == nullptr) continue;
    EXPECT_STREQ("Mail, post; misc", icalproperty_get_categories(p));
    EXPECT_EQ(1, icalcomponent_count_properties(c, ICAL_CATEGORIES_PROPERTY));
    ++named;
  }
  EXPECT_EQ(1, named);
}

TEST_F(IcalendarExportCasesTest, WhatOthersReadDifferentlyIsNamedOnce) {
  std::string all = notes(report);
  EXPECT_NE(std::string::npos,
            all.find("To-do \"Leap day report\": its yearly recurrence is counted from the due "
                     "date in Zolt but from the start"))
      << all;
  size_t marked = all.find("2 items have a date without a time beside a date with a time");
  EXPECT_NE(std::string::npos, marked) << all;
  EXPECT_EQ(std::string::npos, all.find("items have a date without a time", marked + 10));
}

// "Call grandma" (no begin time, end 16:00) and "Dentist" (the same, an appointment) keep
// both halves through export, import and export; so does every other item.
TEST_F(IcalendarExportCasesTest, RoundTripKeepsDatesWithAndWithoutTimes) {
  auto back = open("back.dat");
  T_IcsReport in;
  ASSERT_EQ(0, importICalendarText(*back, ics, "cases", in)) << in.error;
  std::string items = itemsBelow(back->getRoot(), back->getKeys());
  EXPECT_NE(std::string::npos, items.find("'Call grandma' p3 2009-02-10 .. 2009-02-10 16:00"))
      << items;
  EXPECT_NE(std::string::npos, items.find("'Dentist' p100 2009-02-11 .. 2009-02-11 16:00"))
      << items;
  T_IcsReport again;
  EXPECT_EQ(comparable(ics), comparable(icalendarText(*back, T_IcsExportOptions(), again)));
}

// An event's DTEND lies after its start: a moment is written with no length instead, and
// comes back as the same moment.
TEST_F(IcalendarTest, AMomentIsWrittenWithoutAnEndAtItsStart) {
  add(*doc, "Alarm check", 100, at(2009, 2, 9, 10), at(2009, 2, 9, 10));
  add(*doc, "Deadline day", 100, at(2009, 2, 10), at(2009, 2, 10, 0));
  T_IcsReport report;
  std::string ics = icalendarText(*doc, T_IcsExportOptions(), report);
  EXPECT_EQ(std::string::npos, ics.find("DTEND")) << ics;
  size_t first = ics.find("DURATION:PT0S\r\n");
  EXPECT_NE(std::string::npos, first) << ics;
  EXPECT_NE(std::string::npos, ics.find("DURATION:PT0S\r\n", first + 1)) << ics;
  auto back = open("back.dat");
  T_IcsReport in;
  ASSERT_EQ(0, importICalendarText(*back, ics, "back", in)) << in.error;
  std::string items = itemsBelow(back->getRoot(), back->getKeys());
  EXPECT_NE(std::string::npos,
            items.find("'Alarm check' p100 2009-02-09 10:00 .. 2009-02-09 10:00 rec 0"))
      << items;
  EXPECT_NE(std::string::npos, items.find("'Deadline day' p100 2009-02-10 .. 2009-02-10 00:00"))
      << items;
}

// Zolt's own texts may hold bytes from another encoding: they go out as U+FFFD, said.
TEST_F(IcalendarTest, InvalidUtf8IsNotExported) {
  add(*doc, "M\xFCnchen", 3, kEmptyDateTime, at(2009, 2, 9));
  T_IcsReport report;
  std::string ics = icalendarText(*doc, T_IcsExportOptions(), report);
  EXPECT_NE(std::string::npos, ics.find("SUMMARY:M\xEF\xBF\xBDnchen\r\n")) << ics;
  EXPECT_NE(std::string::npos, notes(report).find("1 bytes of the texts were not UTF-8"))
      << notes(report);
}

// An appointment from 22:00 to 00:00 ends with its day: the next day shows nothing of it.
TEST_F(IcalendarExportCasesTest, AnEndAtMidnightEndsTheDayBefore) {
  ToDoListToDo* late = nullptr;
  for (ToDoListToDo* t : todosBelow(cases->getRoot())) {
    if (t->getSummary() == "Late show") late = t;
  }
  ASSERT_NE(nullptr, late);
  cases->setMainViewType(kMainViewCalendar);
  cases->setCalSpan(3);
  cases->setCalFirstDay(at(2009, 2, 12));
  cases->clearViewData();
  cases->getContent();
  std::vector<unsigned> days;
  for (size_t i = 0; i < cases->getRows().size(); ++i) {
    if (cases->getRowItems()[i] == late) days.push_back(dayOf(cases->getRows()[i].day));
  }
  cases->clearViewData();
  EXPECT_EQ(std::vector<unsigned>{at(2009, 2, 12)}, days);
}

// ---- Round trip of the project's own data ----

// Export, import and export again keep every dated item's dates, times, priority and rule.
TEST_F(IcalendarTest, RoundTripOfTheProjectsOwnFiles) {
  std::vector<std::string> kFiles = {std::string(ZOLT_TEST_DATA) + "/../../doc/demo.dat",
                                     testData("ics/export_cases.dat"), testData("ics/agenda.dat")};
  for (const auto& entry : std::filesystem::directory_iterator(ZOLT_TEST_DATA)) {
    if (entry.path().extension() == ".dat") kFiles.push_back(entry.path().string());
  }
  int compared = 0;
  for (const std::string& file : kFiles) {
    TempDir own_dir;
    writeFile(own_dir.file("own.dat"), readFile(file));
    auto own = std::make_unique<Zolt>();
    own->createRoot();
    if (own->readData(own_dir.file("own.dat").c_str()) != 0) continue;  // a damaged file
    T_IcsReport first;
    std::string ics = icalendarText(*own, T_IcsExportOptions(), first);
    if (first.items == 0) continue;
    ++compared;
    auto back = open("back" + std::to_string(compared) + ".dat");
    T_IcsReport in;
    ASSERT_EQ(0, importICalendarText(*back, ics, "own", in)) << file << ": " << in.error;
    T_IcsReport second;
    EXPECT_EQ(comparable(ics), comparable(icalendarText(*back, T_IcsExportOptions(), second)))
        << file;
    std::vector<std::string> before, after;
    // A file Zolt never normalised may hold what it drops at the next change (a rule
    // without a begin date): the export is held to what Zolt itself keeps.
    for (ToDoListToDo* t : todosBelow(own->getRoot())) {
      ToDoListToDo normalised(*t);
      testing::internal::CaptureStdout();
      normalised.sanitizeTimeThings();
      testing::internal::GetCapturedStdout();
      if (hasDate(t->getDateTime(t->isAppointment() ? 1 : 0))) before.push_back(dates(&normalised));
    }
    for (ToDoListToDo* t : todosBelow(back->getRoot())) after.push_back(dates(t));
    EXPECT_EQ(before, after) << file;
  }
  EXPECT_GE(compared, 5);
}

}  // namespace

// Birthdays and clubs begun years ago: each series starts at its first occurrence in 2000
// or later, on its own day, and one that ended before 2000 is named instead of shown.
TEST_F(IcalendarTest, SeriesBegunBefore2000StartAtTheirFirstOccurrenceFrom2000) {
  FixedClock clock(1233446400);  // 2009-02-01
  useZone("Europe/Berlin");
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("series_before_2000.ics", report)) << report.error;
  EXPECT_EQ(
      "'Anna's birthday' p100 2000-03-14 .. 2000-03-14 rec 6/1 - - done 0@0 descr ''\n"
      "'Leap day birthday' p100 2000-02-29 .. 2000-02-29 rec 6/1 - - done 0@0 descr ''\n"
      "'Choir since 1998' p100 2000-01-04 19:30 .. 2000-01-04 21:00 rec 3/1 - - done 0@0 "
      "descr ''\n"
      "'Berlin club since 1995' p100 2000-01-06 20:00 .. 2000-01-06 22:00 rec 4/1 - - done 0@0 "
      "descr ''\n",
      itemsBelow(doc->getRoot(), doc->getKeys()));
  EXPECT_EQ(
      "Appointment \"Ended before 2000\": every occurrence of its series lies before 2000, so "
      "nothing of it was imported\n",
      notes(report));
}
