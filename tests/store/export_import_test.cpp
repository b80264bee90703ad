#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <unordered_set>

#include "document/document_fixture.h"

namespace {

const char kHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";

// A record as an export writes it: no identifiers.
std::string Record(ToDoListItem* item) {
  std::ostringstream out;
  if (auto* g = dynamic_cast<ToDoListGroup*>(item)) {
    g->writeContent(out, true, nullptr, true, true);
  } else {
    static_cast<ToDoListToDo*>(item)->writeContent(out, true, nullptr);
  }
  return out.str();
}

// The whole tree with identifiers, for comparing documents.
std::string Tree(ToDoListGroup* root) {
  std::ostringstream out;
  root->writeContent(out, false, nullptr, true, true);
  return out.str();
}

void CollectIDs(const ToDoListGroup* g, std::vector<unsigned>& ids) {
  ids.push_back(g->getSyncID());
  for (const ToDoListToDo* t : g->getToDos()) ids.push_back(t->getSyncID());
  for (const ToDoListGroup* s : g->getGroups()) CollectIDs(s, ids);
}

}  // namespace

class ExportImportTest : public DocumentTest {
 protected:
  // Work: "a" (priority 1), "b", Sub: "c"; Empty; Target: "already there".
  void SetUp() override {
    work = AddGroup("Work");
    empty = AddGroup("Empty");
    target = AddGroup("Target");
    zolt.setGroup(work);
    a = AddToDo("a", 1);
    AddToDo("b");
    sub = AddGroup("Sub");
    zolt.setGroup(sub);
    AddToDo("c");
    zolt.setGroup(target);
    AddToDo("already there");
    zolt.setGroup(work);
    // The items above were made without their journal records: a master file holds them.
    EXPECT_EQ(0, zolt.writeData(master.c_str()));
  }
  // A fresh document on the same master file after the journal's replay, as a start
  // after a kill sees it.
  std::unique_ptr<Zolt> Reopen() {
    std::unique_ptr<Zolt> z(new Zolt());
    z->createRoot();
    EXPECT_EQ(0, z->readData(master.c_str()));
    std::string errorFile;
    EXPECT_LE(0, z->incsave_readFiles(errorFile)) << errorFile;
    return z;
  }
  void ExpectUniqueIDs() {
    std::vector<unsigned> ids;
    CollectIDs(zolt.getRoot(), ids);
    std::unordered_set<unsigned> unique(ids.begin(), ids.end());
    EXPECT_EQ(ids.size(), unique.size());
    EXPECT_EQ(0u, unique.count(0));
    for (unsigned id : ids) EXPECT_LE(id, zolt.getIdmax());
  }

  std::string file = dir.file("export.zolt");
  ToDoListGroup* work = nullptr;
  ToDoListGroup* empty = nullptr;
  ToDoListGroup* target = nullptr;
  ToDoListGroup* sub = nullptr;
  ToDoListToDo* a = nullptr;
};

TEST_F(ExportImportTest, ExportsWriteTheirRecordsWithoutIdentifiers) {
  const std::string kA = "t\nsa\np1\n>\n", kB = "t\nsb\n>\n", kSub = "g\nsSub\nt\nsc\n>\n>\n";
  static const struct {
    const char* name;
    int (Zolt::*op)(const char*);
    bool inEmpty;
    std::string expected;
  } kCases[] = {
      {"to-do", &Zolt::exportToDoToFile, false, kHead + kA + "</data>\n"},
      {"content", &Zolt::exportContentToFile, false, kHead + kA + kB + kSub + "</data>\n"},
      {"group", &Zolt::exportGroupToFile, false,
       kHead + ("g\nsWork\n" + kA + kB + kSub + ">\n") + "</data>\n"},
      {"empty content", &Zolt::exportContentToFile, true, kHead + std::string("</data>\n")},
  };
  for (const auto& c : kCases) {
    zolt.setGroup(c.inEmpty ? empty : work);
    zolt.setItem(a);
    std::string before = Tree(zolt.getRoot());
    ASSERT_EQ(0, (zolt.*c.op)(file.c_str())) << c.name;
    EXPECT_EQ(c.expected, readFile(file)) << c.name;
    EXPECT_EQ(before, Tree(zolt.getRoot())) << c.name;
  }
}

TEST_F(ExportImportTest, InsertingAnEmptyExportAddsNothing) {
  zolt.setGroup(empty);
  ASSERT_EQ(0, zolt.exportContentToFile(file.c_str()));
  zolt.setGroup(target);
  std::string before = Tree(zolt.getRoot());
  EXPECT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  EXPECT_EQ(before, Tree(zolt.getRoot()));
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
}

TEST_F(ExportImportTest, ActiveJobsViewRefusesContentAndGroupExports) {
  Start(a);
  zolt.setMainViewType(kMainViewActiveJobs);
  ASSERT_EQ(kMainViewActiveJobs, zolt.getMainViewType());
  EXPECT_EQ(-1, zolt.exportContentToFile(file.c_str()));
  EXPECT_EQ(-1, zolt.exportGroupToFile(file.c_str()));
  EXPECT_FALSE(fileExists(file));
  EXPECT_EQ(0, zolt.exportToDoToFile(file.c_str()));
  EXPECT_TRUE(fileExists(file));
}

TEST_F(ExportImportTest, ToDoRoundTripKeepsEveryFieldUnderANewIdentifier) {
  zolt.setItem(a);
  SetDate(1, At(2009, 2, 10, 9, 15));
  SetDate(0, At(2009, 2, 12, 17, 0));
  zolt.setRecData(T_recData{3, 2, Day(2009, 1, 1), Day(2010, 12, 31)});
  a->addTime(1234567890, 1234569890);
  a->setDescription("first line\nsecond line");
  ToDoListToDo* done = AddToDo("done", 5);
  Complete(done);
  for (ToDoListToDo* original : {a, done}) {
    zolt.setGroup(work);
    zolt.setItem(original);
    ASSERT_EQ(0, zolt.exportToDoToFile(file.c_str())) << original->getSummary();
    zolt.setGroup(target);
    unsigned idmax = zolt.getIdmax();
    ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str())) << original->getSummary();
    ToDoListToDo* copy = target->getToDos().back();
    EXPECT_EQ(copy, zolt.getCurItem());
    EXPECT_EQ(Record(original), Record(copy)) << original->getSummary();
    EXPECT_EQ(idmax + 1, copy->getSyncID());
    EXPECT_EQ(target, zolt.getCurGroup());
  }
  EXPECT_EQ(done->getCompletedTime(), target->getToDos().back()->getCompletedTime());
  EXPECT_EQ(a->getCalList(), target->getToDos()[1]->getCalList());
}

TEST_F(ExportImportTest, ContentRoundTripAddsTheChildrenWithoutAGroupAroundThem) {
  ASSERT_EQ(0, zolt.exportContentToFile(file.c_str()));
  std::string body = readFile(file).substr(sizeof kHead - 1);
  zolt.setGroup(target);
  std::string existing = Record(target->getToDos()[0]);
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  EXPECT_EQ(3u, target->getToDos().size());
  EXPECT_EQ(1u, target->getGroups().size());
  ASSERT_EQ(0, zolt.exportContentToFile(file.c_str()));
  EXPECT_EQ(kHead + existing + body, readFile(file));
  ExpectUniqueIDs();
}

TEST_F(ExportImportTest, GroupRoundTripAddsOneGroupHoldingTheChildren) {
  ASSERT_EQ(0, zolt.exportGroupToFile(file.c_str()));
  zolt.setGroup(target);
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  ASSERT_EQ(1u, target->getGroups().size());
  EXPECT_EQ(Record(work), Record(target->getGroups()[0]));
  EXPECT_EQ(target, zolt.getCurGroup());
  ExpectUniqueIDs();
}

TEST_F(ExportImportTest, SearchResultsExportAsAGroupNamedSearchResults) {
  zolt.setGroup(zolt.getRoot());
  ASSERT_EQ(0, zolt.search("A"));  // "a", "already there", in that order
  std::string results = Record(a) + Record(target->getToDos()[0]);
  ASSERT_EQ(0, zolt.exportContentToFile(file.c_str()));
  EXPECT_EQ(kHead + results + "</data>\n", readFile(file));
  ASSERT_EQ(0, zolt.exportGroupToFile(file.c_str()));
  EXPECT_EQ(kHead + ("g\nssearch results\n" + results + ">\n") + "</data>\n", readFile(file));

  EXPECT_EQ(-1, zolt.insertDataFromFile(file.c_str()));  // only the normal view inserts
  ASSERT_EQ(0, zolt.leaveCurGroup());
  zolt.setGroup(empty);
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  ASSERT_EQ(1u, empty->getGroups().size());
  EXPECT_EQ("g\nssearch results\n" + results + ">\n", Record(empty->getGroups()[0]));
}

TEST_F(ExportImportTest, CopyAndPasteOfAToDoInOneGroupGivesTwoIdentifiers) {
  std::string exchange = dir.file("zoltAbC123.tmp");
  writeFile(exchange, "");
  zolt.setItem(a);
  ASSERT_EQ(0, zolt.exportToDoToFile(exchange.c_str()));
  ASSERT_EQ(0, zolt.insertDataFromFile(exchange.c_str()));
  ASSERT_EQ(3u, work->getToDos().size());
  ToDoListToDo* pasted = work->getToDos()[2];
  EXPECT_EQ(Record(a), Record(pasted));
  EXPECT_NE(a->getSyncID(), pasted->getSyncID());
  EXPECT_NE(a->getID(), pasted->getID());
  EXPECT_EQ(pasted, zolt.getCurItem());
  ExpectUniqueIDs();
}

TEST_F(ExportImportTest, InsertionsAreJournalledAndSurviveAKill) {
  ASSERT_EQ(0, zolt.exportContentToFile(file.c_str()));
  zolt.setGroup(target);
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  EXPECT_EQ(1, zolt.incsave_getNrOfFiles());  // one record for the whole insertion
  EXPECT_NE(std::string::npos,
            Journal(0).find("<new parent=" + std::to_string(target->getSyncID()) + ">\nt\nsa\n"));
  std::unique_ptr<Zolt> reopened = Reopen();
  EXPECT_EQ(Tree(zolt.getRoot()), Tree(reopened->getRoot()));
  EXPECT_EQ(zolt.getIdmax(), reopened->getIdmax());
}

// Insertion used to write one new-item record per inserted record. The one record it
// writes now must lead to the same document: the same bytes of the same file once the
// journal is replayed and saved. A single record is written byte for byte as before.
TEST_F(ExportImportTest, OneRecordForAllEqualsOneRecordPerItem) {
  ASSERT_EQ(0, zolt.exportContentToFile(file.c_str()));
  zolt.setGroup(target);
  size_t toDosBefore = target->getToDos().size();
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  // The old way: the same items, each in a record of its own, beside a copy of the master.
  TempDir oldDir;
  std::string oldMaster = oldDir.file("data.dat");
  std::filesystem::copy_file(master, oldMaster);
  Zolt old;
  old.createRoot();
  ASSERT_EQ(0, old.readData(oldMaster.c_str()));
  std::vector<ToDoListItem*> inserted(target->getToDos().begin() + toDosBefore,
                                      target->getToDos().end());
  inserted.insert(inserted.end(), target->getGroups().begin(), target->getGroups().end());
  for (ToDoListItem* item : inserted) {
    ASSERT_EQ(0, old.incsave_newRecord(target->getSyncID(), item, true));
  }
  ASSERT_EQ(3, old.incsave_getNrOfFiles());
  std::unique_ptr<Zolt> now = Reopen();
  Zolt replayedOld;
  replayedOld.createRoot();
  ASSERT_EQ(0, replayedOld.readData(oldMaster.c_str()));
  std::string errorFile;
  ASSERT_EQ(1, replayedOld.incsave_readFiles(errorFile)) << errorFile;
  std::string savedNow = dir.file("now.dat"), savedOld = dir.file("old.dat");
  ASSERT_EQ(0, now->writeData(savedNow.c_str()));
  ASSERT_EQ(0, replayedOld.writeData(savedOld.c_str()));
  EXPECT_EQ(readFile(savedOld), readFile(savedNow));

  // One record: the journal file is the one the per-record writer makes.
  zolt.incsave_delFiles();
  zolt.setItem(a);
  ASSERT_EQ(0, zolt.exportToDoToFile(file.c_str()));
  zolt.setGroup(empty);
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  std::string journal = Journal(0);
  zolt.incsave_delFiles();
  ASSERT_EQ(0, zolt.incsave_newRecord(empty->getSyncID(), empty->getToDos().at(0), true));
  EXPECT_EQ(Journal(0), journal);
}

TEST_F(ExportImportTest, InsertionResults) {
  ASSERT_EQ(0, zolt.exportToDoToFile(file.c_str()));
  static const struct {
    const char* name;
    int view;
    std::string fileName;
    int expected;
  } kCases[] = {
      {"calendar view", kMainViewCalendar, "export.zolt", -1},
      {"missing file", kMainViewNormal, "missing.zolt", -3},
      {"directory", kMainViewNormal, "", -3},
  };
  for (const auto& c : kCases) {
    zolt.setMainViewType(c.view);
    std::string before = Tree(zolt.getRoot());
    EXPECT_EQ(c.expected, zolt.insertDataFromFile(dir.file(c.fileName).c_str())) << c.name;
    EXPECT_EQ(before, Tree(zolt.getRoot())) << c.name;
    EXPECT_EQ(0, zolt.incsave_getNrOfFiles()) << c.name;
  }
}

// A file cut short keeps the records read before the cut, in the tree and in the journal.
TEST_F(ExportImportTest, FileEndingWithoutDataEndKeepsWhatWasRead) {
  std::string name = testData("io_no_end.dat");
  zolt.setGroup(empty);
  std::string where;
  EXPECT_EQ(-2, zolt.insertDataFromFile(name.c_str(), &where));
  EXPECT_EQ(name + ":10: the file ends without </data>", where);
  ASSERT_EQ(2u, empty->getToDos().size());
  EXPECT_EQ("two", empty->getToDos()[1]->getSummary());
  EXPECT_EQ(Tree(zolt.getRoot()), Tree(Reopen()->getRoot()));
}

// A damaged record no longer passes silently: what was read of it stays (and is
// journalled), the rest of the file is read on, and the result says where.
TEST_F(ExportImportTest, DamagedRecordIsReportedWithItsLine) {
  static const struct {
    const char* fixture;
    int line;
    const char* what;
    std::vector<std::string> todos;
    size_t groups;
  } kCases[] = {
      {"io_damaged_record.dat", 7, "to-do", {"before", "half read", "after"}, 0},
      {"io_truncated_group.dat", 7, "group", {"first"}, 1},
  };
  std::vector<ToDoListGroup*> groups;
  for (const auto& c : kCases) groups.push_back(AddGroup(c.fixture));
  ASSERT_EQ(0, zolt.writeData(master.c_str()));
  for (const auto& c : kCases) {
    ToDoListGroup* into = groups[&c - kCases];
    zolt.setGroup(into);
    std::string name = testData(c.fixture);
    std::string where;
    EXPECT_EQ(Zolt::kInsertDamaged, zolt.insertDataFromFile(name.c_str(), &where)) << c.fixture;
    EXPECT_EQ(name + ":" + std::to_string(c.line) + ": damaged " + c.what +
                  " record; what was read of it is inserted",
              where);
    std::vector<std::string> todos;
    for (ToDoListToDo* t : into->getToDos()) todos.push_back(t->getSummary());
    EXPECT_EQ(c.todos, todos) << c.fixture;
    EXPECT_EQ(c.groups, into->getGroups().size()) << c.fixture;
  }
  ToDoListGroup* half = groups[1]->getGroups().at(0);
  EXPECT_EQ("Half group", half->getSummary());
  ASSERT_EQ(1u, half->getToDos().size());
  EXPECT_EQ("inside", half->getToDos()[0]->getSummary());
  ExpectUniqueIDs();
  ExpectJobsMatchTree();
  EXPECT_EQ(Tree(zolt.getRoot()), Tree(Reopen()->getRoot()));
}

// Identifiers brought by "I" lines used to be taken over as they were, so two items could
// share one and the journal would find the wrong item. The fixture's identifiers clash
// with the document's (1 to 9), except 500, which it uses twice.
TEST_F(ExportImportTest, InsertedIdentifiersNeverClashAndIdmaxPassesThem) {
  ASSERT_EQ(9u, zolt.getIdmax());
  zolt.setGroup(target);
  std::string name = testData("io_clashing_ids.dat");
  ASSERT_EQ(0, zolt.insertDataFromFile(name.c_str()));
  // The whole file arrives as one group named after its root; its settings are ignored.
  ASSERT_EQ(1u, target->getGroups().size());
  ToDoListGroup* inserted = target->getGroups()[0];
  EXPECT_EQ("<unnamed>", inserted->getSummary());
  EXPECT_EQ(kMainViewNormal, zolt.getMainViewType());
  EXPECT_EQ(target, zolt.getCurGroup());
  ASSERT_EQ(3u, inserted->getToDos().size());
  ASSERT_EQ(1u, inserted->getGroups().size());
  ToDoListGroup* projects = inserted->getGroups()[0];
  ASSERT_EQ(1u, projects->getToDos().size());
  // idmax passes 500 first; then every clash gets the next one, outermost first.
  const std::vector<std::pair<ToDoListItem*, unsigned>> expected = {
      {inserted, 501u},
      {inserted->getToDos()[0], 502u},  // "root item"
      {inserted->getToDos()[1], 500u},  // "far": unused before, kept
      {inserted->getToDos()[2], 503u},  // "twin": 500 again
      {projects, 504u},
      {projects->getToDos()[0], 505u},
  };
  for (const auto& e : expected) EXPECT_EQ(e.second, e.first->getSyncID()) << e.first->getSummary();
  EXPECT_EQ(505u, zolt.getIdmax());
  ExpectUniqueIDs();
  EXPECT_EQ(Tree(zolt.getRoot()), Tree(Reopen()->getRoot()));
  zolt.setGroup(empty);
  EXPECT_EQ(506u, AddToDo("later")->getSyncID());
}

// An export that cannot be written used to report success.
TEST_F(ExportImportTest, ExportToAPlaceThatCannotBeWrittenFails) {
  static const struct {
    const char* name;
    std::string target;
  } kCases[] = {
      {"missing directory", "missing/export.zolt"},
      {"a directory", ""},
  };
  for (const auto& c : kCases) {
    std::string name = dir.file(c.target);
    zolt.setItem(a);
    EXPECT_EQ(-1, zolt.exportToDoToFile(name.c_str())) << c.name;
    EXPECT_EQ(-1, zolt.exportContentToFile(name.c_str())) << c.name;
    EXPECT_EQ(-1, zolt.exportGroupToFile(name.c_str())) << c.name;
  }
  EXPECT_FALSE(fileExists(dir.file("missing")));
  zolt.setItem(nullptr);
  EXPECT_EQ(-1, zolt.exportToDoToFile(file.c_str()));
  EXPECT_FALSE(fileExists(file));
}

// A master file whose key block was made with two hash iterations, so logging in is quick;
// it holds one to-do whose description is stored encrypted.
static void WriteLockedFile(const std::string& name, const std::string& description) {
  CryptMan fast(2);
  ASSERT_EQ(0, fast.AddPwd("test", "secret"));
  ToDoListToDo t(0, "/0/");
  t.setSyncID(2);
  t.setSummary("locked");
  t.setDescription(description.c_str());
  t.SetSaveCrypt(true);
  std::ostringstream os;
  os << kHead << "<idmax=2>\n";
  fast.Write(os);
  os << "g\ns<unnamed>\nI1\n";
  ASSERT_EQ(0, t.writeContent(os, false, &fast));
  os << ">\n</data>\n";
  writeFile(name, os.str());
}

// The key block is passed over as a whole: a password named "g" or "t" used to read as
// the start of a record.
TEST_F(ExportImportTest, KeyBlockOfAnInsertedMasterFileIsPassedOver) {
  CryptMan fast(2);
  ASSERT_EQ(0, fast.AddPwd("g", "one"));
  ASSERT_EQ(0, fast.AddPwd("t", "two"));
  std::ostringstream os;
  os << kHead << "<idmax=1>\n";
  fast.Write(os);
  os << "g\ns<unnamed>\nI1\nt\nsinside\n>\n>\n</data>\n";
  writeFile(file, os.str());
  zolt.setGroup(empty);
  ASSERT_EQ(0, zolt.insertDataFromFile(file.c_str()));
  EXPECT_TRUE(empty->getToDos().empty());
  ASSERT_EQ(1u, empty->getGroups().size());
  EXPECT_EQ("g\ns<unnamed>\nt\nsinside\n>\n>\n", Record(empty->getGroups()[0]));
  EXPECT_EQ(0, zolt.getKeys().GetNumPwds());
}

TEST_F(ExportImportTest, EncryptedDescriptionStaysEncryptedThroughCopyAndPaste) {
  std::string locked = dir.file("locked.dat");
  WriteLockedFile(locked, "the code is 1234");
  Zolt z;
  z.createRoot();
  ASSERT_EQ(0, z.readData(locked.c_str()));
  z.setItem(z.getRoot()->getToDos().at(0));
  ASSERT_EQ(0, z.exportToDoToFile(file.c_str()));
  std::string exported = readFile(file);
  EXPECT_EQ(std::string::npos, exported.find("1234"));
  EXPECT_NE(std::string::npos, exported.find("\nF2000e\n"));
  ASSERT_EQ(0, z.insertDataFromFile(file.c_str()));
  ASSERT_EQ(2u, z.getRoot()->getToDos().size());
  z.getKeys().Login(0, "secret");
  ASSERT_TRUE(z.getKeys().IsLoggedIn());
  for (ToDoListToDo* t : z.getRoot()->getToDos()) {
    const char* text = nullptr;
    ASSERT_EQ(0, t->GetDescription(text, &z.getKeys()));
    EXPECT_STREQ("the code is 1234", text);
  }
}
