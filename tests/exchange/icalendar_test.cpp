#include "exchange/icalendar.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <sstream>
#include <vector>

#include "document/zolt.h"
#include "model/todo_test_util.h"
#include "test_util.h"

namespace {

unsigned at(int y, int m, int d, int h = -1, int mi = 0) {
  unsigned v = packDate(kEmptyDateTime, y, m, d);
  return h < 0 ? v : packTime(v, h, mi);
}

std::string show(unsigned v) {
  if (!hasDate(v)) return "-";
  char buf[32];
  if (hasTime(v)) {
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", packedYear(v), packedMonth(v),
             packedDay(v), packedHour(v), packedMinute(v));
  } else {
    snprintf(buf, sizeof buf, "%04d-%02d-%02d", packedYear(v), packedMonth(v), packedDay(v));
  }
  return buf;
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
  T_IcsReport report;
  ASSERT_EQ(0, importFixture("rules_zolt_cannot_hold.ics", report)) << report.error;
  EXPECT_EQ(8, report.items);  // "Standup" in two runs around its EXDATE
  static const struct {
    const char* summary;
    const char* item;
    const char* note;  // null: nothing to note
  } kCases[] = {
      {"Gym", "p100 2009-02-09 18:00 .. 2009-02-09 19:00 rec 3/1 - -",
       "Appointment \"Gym\": the rule FREQ=WEEKLY;BYDAY=MO,WE,FR cannot be held exactly; kept "
       "as weekly on Monday"},
      {"Standup", "p100 2009-02-09 09:00 .. 2009-02-09 09:15 rec 1/1 - 2009-02-10",
       "Appointment \"Standup\": its series was split into 2 series, around 1 left-out or moved "
       "occurrences"},
      {"Brunch", "p100 2009-02-22 .. 2009-02-22 rec 4/1 - -",
       "Appointment \"Brunch\": the rule FREQ=MONTHLY;BYDAY=-1SU cannot be held exactly; kept as "
       "monthly, by day on the 4. Sunday"},
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
  EXPECT_EQ(0u, message.find("Imported 8 to-dos and appointments into the new group"));
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

}  // namespace
