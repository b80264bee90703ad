// Importing an iCalendar file again updates the items Zolt holds by their UID (its own
// export's, or one kept from an earlier import) instead of adding them a second time.
#include "exchange/ics_reimport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "calendar/date_time.h"
#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"
#include "test_util.h"

namespace {

// One calendar of the given VEVENT/VTODO bodies, each "UID|SUMMARY|DTSTART".
std::string calendar(const std::vector<std::string>& events) {
  std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//Calendar//EN\r\n";
  for (const std::string& e : events) {
    size_t a = e.find('|'), b = e.find('|', a + 1);
    ics += "BEGIN:VEVENT\r\nUID:" + e.substr(0, a) + "\r\nDTSTAMP:20260101T000000Z\r\n" +
           "SUMMARY:" + e.substr(a + 1, b - a - 1) + "\r\nDTSTART:" + e.substr(b + 1) +
           "\r\nDURATION:PT1H\r\nEND:VEVENT\r\n";
  }
  return ics + "END:VCALENDAR\r\n";
}

class IcsReimportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    hadTZ = tz != nullptr;
    if (hadTZ) oldTZ = tz;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    doc = Open("a.dat");
  }
  void TearDown() override {
    hadTZ ? setenv("TZ", oldTZ.c_str(), 1) : unsetenv("TZ");
    tzset();
  }

  // The data file `name` with its journal, as a start reads it.
  std::unique_ptr<Zolt> Open(const std::string& name) {
    auto z = std::make_unique<Zolt>();
    z->createRoot();
    EXPECT_EQ(0, z->readData(dir.file(name).c_str()));
    std::string error;
    EXPECT_GE(z->incsave_readFiles(error), 0) << error;
    return z;
  }
  T_IcsReport Import(Zolt& z, const std::string& ics, const std::string& group = "cal") {
    T_IcsReport report;
    EXPECT_EQ(0, importICalendarText(z, ics, group, report)) << report.error;
    return report;
  }
  // Every to-do's summary in tree order, after its group path below the root: "g/h/summary".
  static std::vector<std::string> items(Zolt& z) {
    std::vector<std::string> all;
    std::vector<std::pair<const ToDoListGroup*, std::string>> pending = {{z.getRoot(), ""}};
    while (!pending.empty()) {
      auto [g, path] = pending.back();
      pending.pop_back();
      for (const ToDoListToDo* t : g->getToDos()) all.push_back(path + t->getSummary());
      for (auto it = g->getGroups().rbegin(); it != g->getGroups().rend(); ++it) {
        pending.emplace_back(*it, path + (*it)->getSummary() + "/");
      }
    }
    return all;
  }

  TempDir dir;
  std::unique_ptr<Zolt> doc;
  bool hadTZ = false;
  std::string oldTZ;
};

using Items = std::vector<std::string>;

TEST_F(IcsReimportTest, TheSameFileAgainUpdatesItsItemsAndAddsOnlyTheNewOnes) {
  std::string first = calendar({"a@other|Dentist|20260312T090000", "b@other|Gym|20260313T180000"});
  T_IcsReport one = Import(*doc, first);
  EXPECT_EQ(2, one.items);
  EXPECT_EQ(0, one.updated);
  EXPECT_EQ((Items{"cal/Dentist", "cal/Gym"}), items(*doc));

  // The other calendar moved the dentist, renamed the gym and gained an item.
  std::string second =
      calendar({"a@other|Dentist|20260319T090000", "b@other|Gym class|20260313T180000",
                "c@other|Haircut|20260314T100000"});
  T_IcsReport two = Import(*doc, second, "cal2");
  EXPECT_EQ(3, two.items);
  EXPECT_EQ(2, two.updated);
  EXPECT_EQ((Items{"cal/Dentist", "cal/Gym class", "cal2/Haircut"}), items(*doc));
  std::string message = importMessage("cal.ics", two);
  EXPECT_NE(std::string::npos, message.find("Imported 3 to-dos and appointments (2 updated)"))
      << message;
  EXPECT_NE(std::string::npos, message.find("1 new ones into the new group \"cal2\"")) << message;

  // The UIDs are kept in the journal and in the master file: the next start still knows them.
  for (bool saved : {false, true}) {
    if (saved) {
      ASSERT_EQ(0, doc->writeData(dir.file("a.dat").c_str()));
      ASSERT_EQ(0, doc->incsave_delFiles());
    }
    doc = Open("a.dat");
    T_IcsReport again = Import(*doc, second, "cal3");
    EXPECT_EQ(3, again.updated) << saved;
    EXPECT_EQ((Items{"cal/Dentist", "cal/Gym class", "cal2/Haircut"}), items(*doc)) << saved;
    EXPECT_NE(std::string::npos, importMessage("cal.ics", again).find("no new group"));
  }
  ToDoListToDo* dentist = nullptr;
  for (ToDoListToDo* t : doc->getRoot()->getGroups()[0]->getToDos()) {
    if (t->getSummary() == "Dentist") dentist = t;
  }
  ASSERT_NE(nullptr, dentist);
  EXPECT_EQ("a@other", dentist->getImportUid());
  EXPECT_EQ(19, packedDay(dentist->getDateTime(1))) << "the moved date was taken";
}

// A re-import is one change: one undo takes back its updates and its new group together,
// and what the journal holds after the undo is what the next start shows.
TEST_F(IcsReimportTest, OneUndoTakesBackTheWholeReimport) {
  Import(*doc, calendar({"a@other|Dentist|20260312T090000"}));
  Import(*doc,
         calendar({"a@other|Dentist moved|20260319T090000", "c@other|Haircut|20260314T100000"}),
         "cal2");
  EXPECT_EQ((Items{"cal/Dentist moved", "cal2/Haircut"}), items(*doc));
  ASSERT_EQ(0, doc->undo());
  EXPECT_EQ((Items{"cal/Dentist"}), items(*doc));
  doc = Open("a.dat");
  EXPECT_EQ((Items{"cal/Dentist"}), items(*doc));
}

// Zolt's own export names items by their synchronisation identifiers and the data file:
// imported back they update those items; another file's export with the same numbers is new.
TEST_F(IcsReimportTest, AnOwnExportUpdatesTheItemsAnotherFilesIsAdded) {
  Import(*doc, calendar({"x@y|Dentist|20260312T090000"}));
  T_IcsExportOptions opts;
  opts.uidDomain = uidDomainOf(doc->getMasterFileName());
  T_IcsReport exported;
  std::string own = icalendarText(*doc, opts, exported);
  ASSERT_EQ(1, exported.items);
  // The same text from a file of another name: the same numbers, another item.
  opts.uidDomain = "b.dat";
  std::string other = icalendarText(*doc, opts, exported);
  doc->setItem(doc->getRoot()->getGroups()[0]->getToDos()[0]);
  doc->setItemSummary("Dentist, renamed here");

  T_IcsReport back = Import(*doc, own, "own");
  EXPECT_EQ(1, back.updated);
  EXPECT_EQ((Items{"cal/Dentist"}), items(*doc));
  T_IcsReport foreign = Import(*doc, other, "b");
  EXPECT_EQ(0, foreign.updated);
  EXPECT_EQ((Items{"cal/Dentist", "b/cal/Dentist"}), items(*doc));
}

}  // namespace

namespace {

// The UID is the item's own: the data file keeps it, a copy exported to a Zolt file does not
// (inserted, the copy is another item, which a later import must not update as well).
TEST_F(IcsReimportTest, TheUidIsStoredWithTheItemButNotWithAnExportedCopy) {
  Import(*doc, calendar({"a@other|Dentist|20260312T090000"}));
  ASSERT_EQ(0, doc->writeData(dir.file("a.dat").c_str()));
  EXPECT_NE(std::string::npos, readFile(dir.file("a.dat")).find("\nUa@other\n"));
  doc->setItem(doc->getRoot()->getGroups()[0]->getToDos()[0]);
  ASSERT_EQ(0, doc->exportToDoToFile(dir.file("copy.dat").c_str()));
  std::string copy = readFile(dir.file("copy.dat"));
  EXPECT_NE(std::string::npos, copy.find("sDentist"));
  EXPECT_EQ(std::string::npos, copy.find("a@other"));
}

// A description stored encrypted is neither replaced nor put back in clear by an import;
// a plain one follows the imported text.
TEST_F(IcsReimportTest, AnEncryptedDescriptionStaysAsItIs) {
  auto withNote = [](const char* uid, const char* note) {
    return std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//Calendar//EN\r\n") +
           "BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:" + uid +
           "\r\nDUE:20260312T090000\r\nDESCRIPTION:" + note + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
  };
  Import(*doc, withNote("secret", "PIN 4711"));
  Import(*doc, withNote("plain", "first"), "cal2");
  ASSERT_EQ(0, doc->getKeys().AddPwd("home", "pw"));
  ToDoListToDo* secret = doc->getRoot()->getGroups()[0]->getToDos()[0];
  ToDoListToDo* plain = doc->getRoot()->getGroups()[1]->getToDos()[0];
  secret->SetSaveCrypt(true);
  EXPECT_EQ(1, Import(*doc, withNote("secret", "changed elsewhere"), "x").updated);
  EXPECT_EQ(1, Import(*doc, withNote("plain", "second"), "y").updated);
  const char* text = nullptr;
  ASSERT_EQ(0, secret->GetDescription(text, &doc->getKeys()));
  EXPECT_STREQ("PIN 4711", text);
  EXPECT_TRUE(secret->getDescrData().getFlags() & kDescrSaveCrypt);
  ASSERT_EQ(0, plain->GetDescription(text, &doc->getKeys()));
  EXPECT_STREQ("second", text);
}

}  // namespace
