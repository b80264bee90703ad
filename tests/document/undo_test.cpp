// Undo and redo through the document's operations: each change is undone and redone, the
// tree must equal the state before and after, and the journal must replay to the same tree.
#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>

#include "document/document_fixture.h"

namespace {

// The tree written out by content, children ordered by synchronisation identifier: a
// change undone puts an item back at the end of its group, and local ids and paths are
// renumbered at every load, so neither is part of what the user's data is. Nor is the
// completion time of an open to-do, which the data file does not hold.
void Canon(const ToDoListItem& item, std::ostream& os, int depth);

void CanonToDo(const ToDoListToDo& t, std::ostream& os) {
  T_recData r;
  t.getRecData(r);
  const DescrData& d = t.getDescrData();
  os << "t" << t.getSyncID() << " '" << t.getSummary() << "' p" << t.getPriority() << " b"
     << std::hex << t.getDateTime(1) << " e" << t.getDateTime(0) << std::dec << " c"
     << t.isCompleted() << "@" << (t.isCompleted() ? t.getCompletedTime() : 0) << " run"
     << t.isRunning() << " as" << t.getShowTimeAs() << " rec" << r.type << "/" << r.interval << "/"
     << r.firstDate << "/" << r.lastDate << " times";
  for (unsigned i = 0; i < t.getNrTimes(); ++i) {
    os << " " << t.getTimeBegin(i) << "-" << t.getTimeEnd(i);
  }
  os << " d" << d.getFlags() << ":" << std::string(d.getData() ? d.getData() : "", d.getLen())
     << "\n";
}

void Canon(const ToDoListItem& item, std::ostream& os, int depth) {
  os << std::string(depth * 2, ' ');
  if (auto* t = dynamic_cast<const ToDoListToDo*>(&item)) {
    CanonToDo(*t, os);
    return;
  }
  auto& g = static_cast<const ToDoListGroup&>(item);
  os << "g" << g.getSyncID() << " '" << g.getSummary() << "' p" << g.getPriority() << "\n";
  std::vector<const ToDoListItem*> children(g.getToDos().begin(), g.getToDos().end());
  children.insert(children.end(), g.getGroups().begin(), g.getGroups().end());
  std::sort(children.begin(), children.end(), [](const ToDoListItem* a, const ToDoListItem* b) {
    return a->getSyncID() < b->getSyncID();
  });
  for (const ToDoListItem* c : children) Canon(*c, os, depth + 1);
}

std::string Canon(const Zolt& z) {
  std::ostringstream os;
  Canon(*z.getRoot(), os, 0);
  return os.str();
}

}  // namespace

class UndoTest : public DocumentTest {
 public:
  // The table's changes reach the document as the window does.
  using DocumentTest::Complete;
  using DocumentTest::dir;
  using DocumentTest::master;
  using DocumentTest::Rebuild;
  using DocumentTest::SetDate;
  using DocumentTest::zolt;

  // A tree on disk: Home (Call the bank, Buy milk done, Water plants running), Work with a
  // sub-group Old (Report due 2009-02-10), and a recurring weekly to-do in the root.
  void SetUp() override {
    zolt.setMainViewType(kMainViewNormal);
    home = AddGroup("Home");
    work = AddGroup("Work");
    zolt.setGroup(home);
    bank = AddToDo("Call the bank");
    milk = AddToDo("Buy milk");
    Complete(milk);
    plants = AddToDo("Water plants");
    Start(plants);
    zolt.setGroup(work);
    old = AddGroup("Old");
    zolt.setGroup(old);
    AddDatedToDo("Report", Day(2009, 2, 10));
    zolt.setGroup(zolt.getRoot());
    weekly = AddDatedToDo("Weekly review", Day(2009, 2, 9), Day(2009, 2, 9));
    T_recData r{3, 1, Day(2009, 2, 2), kEmptyDateTime};
    zolt.setRecData(r);
    // The master file holds it all; the journal starts empty.
    ASSERT_EQ(0, zolt.incsave_compact(master.c_str()));
  }

  // The tree that the master file and its journal give at the next start.
  std::string Replayed() {
    Zolt next;
    next.createRoot();
    EXPECT_EQ(0, next.readData(master.c_str()));
    std::string error;
    EXPECT_GE(next.incsave_readFiles(error), 0) << error;
    EXPECT_EQ(next.getRoot()->getNrActiveJobs(), next.getNrActiveJobs());
    return Canon(next);
  }

  // What the window does for each kind of change.
  void ToggleInList(ToDoListToDo* t) {
    zolt.setItem(t);
    zolt.isItemCompleted() ? zolt.clearItemCompleted() : zolt.setItemCompleted();
    ASSERT_EQ(0, zolt.incsave_saveCurItem());
  }
  void EditInEditor(ToDoListToDo* t, const std::function<void()>& edit) {
    zolt.setItem(t);
    zolt.incsave_rememberTodo();
    edit();
    if (zolt.incsave_todoHasChanged()) {
      ASSERT_EQ(0, zolt.incsave_saveCurItem());
    }
    zolt.incsave_forgetTodo();
  }
  void NewToDoInEditor(const std::string& summary) {
    ASSERT_EQ(0, zolt.newToDo(0, 0));
    zolt.incsave_newItem();
    zolt.setItemSummary(summary);
    ASSERT_EQ(0, zolt.incsave_saveCurItem());
  }
  void ExpectJobsAndCalendar() {
    ExpectJobsMatchTree();
    std::vector<ToDoListItem*> all;
    zolt.getRoot()->collectSubtree(all);
    for (ToDoListItem* item : all) {
      auto* t = dynamic_cast<ToDoListToDo*>(item);
      if (t == nullptr) continue;
      bool dated = hasDate(t->getDateTime(0)) || hasDate(t->getDateTime(1));
      EXPECT_EQ(dated, t->getListingCalendar() == &zolt.getCalendar()) << t->getSummary();
    }
  }

  ToDoListGroup* home = nullptr;
  ToDoListGroup* work = nullptr;
  ToDoListGroup* old = nullptr;
  ToDoListToDo* bank = nullptr;
  ToDoListToDo* milk = nullptr;
  ToDoListToDo* plants = nullptr;
  ToDoListToDo* weekly = nullptr;
};

// The changes a user makes, each as the window makes it.
struct UndoCase {
  const char* name;
  std::function<void(UndoTest&)> change;
  std::function<void(UndoTest&)> prepare = [](UndoTest&) {};  // before the state before
};

const UndoCase kCases[] = {
    {"complete in the list", [](UndoTest& t) { t.ToggleInList(t.bank); }},
    {"reopen in the list", [](UndoTest& t) { t.ToggleInList(t.milk); }},
    {"complete a recurring to-do", [](UndoTest& t) { t.ToggleInList(t.weekly); }},
    {"complete a running to-do", [](UndoTest& t) { t.ToggleInList(t.plants); }},
    {"edit in the editor",
     [](UndoTest& t) {
       t.EditInEditor(t.bank, [&t] {
         t.zolt.setItemSummary("Call the bank at nine");
         t.zolt.setItemDescription("ask for the statement");
         t.SetDate(0, Day(2009, 3, 1));
         ASSERT_EQ(0, t.zolt.setItemRunning(true));
         ASSERT_EQ(0, t.zolt.setItemPriority(1));
       });
     }},
    {"stop a running to-do in the editor",
     [](UndoTest& t) {
       t.EditInEditor(t.plants, [&t] { ASSERT_EQ(0, t.zolt.setItemRunning(false)); });
     }},
    {"new to-do", [](UndoTest& t) { t.NewToDoInEditor("Fresh"); }},
    {"new group",
     [](UndoTest& t) {
       ASSERT_EQ(0, t.zolt.newGroup());
       t.zolt.incsave_newItem();
       t.zolt.setGroupSummary("Garden");
       ASSERT_EQ(0, t.zolt.incsave_saveCurGroup());
     }},
    {"edit a group",
     [](UndoTest& t) {
       t.zolt.setGroup(t.work);
       t.zolt.incsave_rememberGroup();
       t.zolt.setGroupSummary("Office");
       t.zolt.setGroupPriority(1);
       ASSERT_EQ(0, t.zolt.incsave_saveCurGroup());
       t.zolt.incsave_forgetGroup();
     }},
    {"cut a to-do",
     [](UndoTest& t) {
       t.zolt.setItem(t.bank);
       ASSERT_EQ(0, t.zolt.delToDo());
     }},
    {"cut a running to-do",
     [](UndoTest& t) {
       t.zolt.setItem(t.plants);
       ASSERT_EQ(0, t.zolt.delToDo());
     }},
    {"cut a group with its subtree",
     [](UndoTest& t) {
       t.zolt.setGroup(t.work);
       ASSERT_EQ(0, t.zolt.delCurGroup());
     }},
    {"delete completed in the flat view",
     [](UndoTest& t) {
       t.zolt.setOptViewtype(kViewFlat);
       t.Rebuild();
       ASSERT_EQ(0, t.zolt.delCompleted());
     },
     [](UndoTest& t) {
       t.Complete(t.bank);
       ASSERT_EQ(0, t.zolt.incsave_compact(t.master.c_str()));
     }},
    {"turn to group",
     [](UndoTest& t) {
       t.zolt.setGroup(t.home);
       t.zolt.setItem(t.plants);
       ASSERT_EQ(0, t.zolt.turnCurItem2Group());
     }},
    {"paste a group",
     [](UndoTest& t) {
       t.zolt.setGroup(t.home);
       std::string clip = t.dir.file("clip.tmp");
       ASSERT_EQ(0, t.zolt.exportGroupToFile(clip.c_str()));
       t.zolt.setGroup(t.work);
       ASSERT_EQ(0, t.zolt.insertDataFromFile(clip.c_str()));
     }},
    {"paste content",
     [](UndoTest& t) {
       t.zolt.setGroup(t.home);
       std::string clip = t.dir.file("clip.tmp");
       ASSERT_EQ(0, t.zolt.exportContentToFile(clip.c_str()));
       ASSERT_EQ(0, t.zolt.insertDataFromFile(clip.c_str()));
     }},
    {"import a built group",
     [](UndoTest& t) {
       ToDoListGroup built(0, "/", 0);
       built.setSummary("family.ics");
       ToDoListToDo* e = built.newToDo();
       e->setSummary("Birthday");
       ASSERT_EQ(0, t.zolt.insertGroup(built));
     }},
};

class UndoTableTest : public UndoTest, public ::testing::WithParamInterface<size_t> {};

// Every kind of change, undone and redone: the tree is the state before after undo and the
// state after after redo, each time also after a replay of the journal.
TEST_P(UndoTableTest, UndoesRedoesAndReplays) {
  const UndoCase& c = kCases[GetParam()];
  c.prepare(*this);
  zolt.getUndoHistory().clear();
  std::string before = Canon(zolt);
  c.change(*this);
  std::string after = Canon(zolt);
  ASSERT_NE(before, after) << "the change changed nothing";
  ASSERT_EQ(after, Replayed());
  ASSERT_TRUE(zolt.getUndoHistory().canUndo());
  ASSERT_EQ(0, zolt.undo());
  EXPECT_EQ(before, Canon(zolt));
  EXPECT_EQ(before, Replayed());
  ExpectJobsAndCalendar();
  ASSERT_EQ(0, zolt.redo());
  EXPECT_EQ(after, Canon(zolt));
  EXPECT_EQ(after, Replayed());
  ExpectJobsAndCalendar();
  ASSERT_EQ(0, zolt.undo()) << "undo after redo";
  EXPECT_EQ(before, Canon(zolt));
  EXPECT_EQ(before, Replayed());
  EXPECT_FALSE(zolt.getUndoHistory().canUndo());
}

INSTANTIATE_TEST_SUITE_P(Changes, UndoTableTest,
                         ::testing::Range(size_t{0}, sizeof kCases / sizeof kCases[0]),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           std::string name = kCases[info.param].name;
                           for (char& ch : name) {
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

// An encrypted description, read back and shown (so it is decrypted in memory), goes
// through changes, undo and redo: no file beside the data file ever holds its text.
class UndoCryptTest : public ::testing::Test {
 protected:
  static constexpr const char* kSecret = "undo-marker-4f1c clear text";

  void SetUp() override {
    {
      Zolt first;
      first.createRoot();
      ASSERT_EQ(0, first.readData(master.c_str()));
      ASSERT_EQ(0, first.getKeys().AddPwd("home", "pw one"));
      ToDoListToDo* t = first.getRoot()->newToDo();
      t->setSyncID(2);
      t->setSummary("secret");
      t->setDescription(kSecret);
      t->SetSaveCrypt(true);
      ASSERT_EQ(0, first.incsave_compact(master.c_str()));
    }
    zolt.createRoot();
    ASSERT_EQ(0, zolt.readData(master.c_str()));
    zolt.getKeys().Login(0, "pw one");
    ASSERT_TRUE(zolt.getKeys().IsLoggedIn());
    zolt.setItem(zolt.getRoot()->getToDos()[0]);
    const char* text = nullptr;
    ASSERT_EQ(0, zolt.getItemDescription(text));
    ASSERT_STREQ(kSecret, text) << "decrypted in memory";
  }
  // Every file in the directory, the data file and each journal file.
  void ExpectNoClearText(const char* after) {
    for (int n = -1; n < 64; ++n) {
      std::string name = n < 0 ? master : master + std::to_string(n);
      if (!fileExists(name)) continue;
      std::string content = readFile(name);
      EXPECT_EQ(std::string::npos, content.find("undo-marker")) << after << ": " << name;
      EXPECT_EQ(std::string::npos, content.find("new words")) << after << ": " << name;
    }
  }

  TempDir dir;
  std::string master = dir.file("master.dat");
  Zolt zolt;
};

TEST_F(UndoCryptTest, UndoAndRedoNeverWriteTheTextInClear) {
  ToDoListToDo* t = zolt.getCurItem();
  zolt.setItemCompleted();
  ASSERT_EQ(0, zolt.incsave_saveCurItem());
  ASSERT_EQ(0, zolt.undo());
  ASSERT_EQ(0, zolt.redo());
  ExpectNoClearText("completion");
  ASSERT_EQ(0, zolt.delToDo());
  ASSERT_EQ(0, zolt.undo());
  ASSERT_EQ(0, zolt.redo());
  ASSERT_EQ(0, zolt.undo());
  ExpectNoClearText("deletion");
  // The note rewritten in the editor: no stored form yet until the journal encrypts it.
  t = zolt.getRoot()->getToDos()[0];
  zolt.setItem(t);
  zolt.incsave_rememberTodo();
  zolt.setItemDescription("new words");
  ASSERT_EQ(0, zolt.incsave_saveCurItem());
  zolt.incsave_forgetTodo();
  ASSERT_EQ(0, zolt.undo());
  ASSERT_EQ(0, zolt.redo());
  ASSERT_EQ(0, zolt.undo());
  ExpectNoClearText("edit");
  ASSERT_GE(zolt.incsave_getNrOfFiles(), 10) << "every step was journalled";

  // And the journal still gives the note back under the password.
  Zolt next;
  next.createRoot();
  ASSERT_EQ(0, next.readData(master.c_str()));
  std::string error;
  ASSERT_EQ(1, next.incsave_readFiles(error)) << error;
  next.getKeys().Login(0, "pw one");
  ASSERT_EQ(1u, next.getRoot()->getToDos().size());
  next.setItem(next.getRoot()->getToDos()[0]);
  const char* text = nullptr;
  ASSERT_EQ(0, next.getItemDescription(text));
  EXPECT_STREQ(kSecret, text);
}

TEST_F(UndoTest, AHundredAndFiftyStepsGoBackOneByOne) {
  zolt.getUndoHistory().clear();
  std::vector<std::string> states{Canon(zolt)};
  for (int i = 0; i < 150; ++i) {
    ToggleInList(i % 3 == 0 ? bank : i % 3 == 1 ? milk : weekly);
    states.push_back(Canon(zolt));
  }
  for (int i = 150; i > 0; --i) {
    ASSERT_EQ(0, zolt.undo()) << i;
    ASSERT_EQ(states[i - 1], Canon(zolt)) << i;
  }
  EXPECT_EQ(UndoHistory::kNothing, zolt.undo());
  EXPECT_EQ(states[0], Replayed());
  for (int i = 1; i <= 150; ++i) ASSERT_EQ(0, zolt.redo()) << i;
  EXPECT_EQ(states[150], Canon(zolt));
  EXPECT_EQ(UndoHistory::kNothing, zolt.redo());
}

TEST_F(UndoTest, OnlyTheNewestStepsAreKept) {
  UndoHistory& history = zolt.getUndoHistory();
  history.clear();
  history.setLimits(5, UndoHistory::kMaxBytes);
  for (int i = 0; i < 8; ++i) ToggleInList(bank);
  EXPECT_EQ(5u, history.undoSteps());
  int undone = 0;
  while (zolt.undo() == 0) ++undone;
  EXPECT_EQ(5, undone);
  zolt.setItem(bank);
  EXPECT_TRUE(zolt.isItemCompleted()) << "three toggles stay: the bank is done";
}

TEST_F(UndoTest, AChangeBiggerThanTheMemoryAllowedDropsTheHistory) {
  UndoHistory& history = zolt.getUndoHistory();
  history.clear();
  ToggleInList(bank);
  size_t oneToggle = history.bytes();
  EXPECT_GT(oneToggle, 0u);
  history.setLimits(UndoHistory::kMaxSteps, oneToggle + 100);
  zolt.setGroup(home);  // three to-dos: more than the two copies of a toggle
  ASSERT_EQ(0, zolt.delCurGroup());
  EXPECT_FALSE(history.canUndo()) << "neither the deletion nor the toggle before it";
  EXPECT_TRUE(history.lostTooBig());
  EXPECT_EQ(0u, history.bytes());
  ToggleInList(weekly);
  EXPECT_TRUE(history.canUndo());
  EXPECT_FALSE(history.lostTooBig());
  EXPECT_LE(history.bytes(), oneToggle + 100);
}

TEST_F(UndoTest, ANewChangeAfterUndoClearsTheRedoList) {
  zolt.getUndoHistory().clear();
  ToggleInList(bank);
  ASSERT_EQ(0, zolt.undo());
  EXPECT_TRUE(zolt.getUndoHistory().canRedo());
  ToggleInList(milk);
  EXPECT_FALSE(zolt.getUndoHistory().canRedo());
  EXPECT_EQ(UndoHistory::kNothing, zolt.redo());
}

TEST_F(UndoTest, AnItemGoneAnotherWayMakesTheStepStale) {
  zolt.getUndoHistory().clear();
  ToggleInList(bank);
  // A change that kept no step: the to-do leaves the tree behind the history's back.
  unsigned jobs = zolt.getNrActiveJobs();
  ASSERT_EQ(0, home->delToDo(bank, jobs, const_cast<T_Calendar&>(zolt.getCalendar())));
  std::string now = Canon(zolt);
  int files = zolt.incsave_getNrOfFiles();
  EXPECT_EQ(UndoHistory::kStale, zolt.undo());
  EXPECT_EQ(now, Canon(zolt)) << "nothing changed";
  EXPECT_EQ(files, zolt.incsave_getNrOfFiles()) << "nothing journalled";
  EXPECT_FALSE(zolt.getUndoHistory().canUndo());
}

TEST_F(UndoTest, UndoingANewGroupTheViewIsInGoesToItsParent) {
  zolt.setGroup(work);
  ASSERT_EQ(0, zolt.newGroup());
  zolt.incsave_newItem();
  zolt.setGroupSummary("Garden");
  ASSERT_EQ(0, zolt.incsave_saveCurGroup());
  zolt.pushListPosition(3, 2);
  ASSERT_EQ("Work\nGarden", zolt.getCurGroupPathText());
  ASSERT_EQ(0, zolt.undo());
  EXPECT_EQ(work, zolt.getCurGroup());
  EXPECT_EQ("Work", zolt.getCurGroupPathText());
  Rebuild();
  EXPECT_EQ(std::vector<std::string>{"Old"}, Texts());
}

TEST_F(UndoTest, UndoInTheSearchResultsDropsTheRowsOfWhatLeft) {
  zolt.setGroup(home);
  NewToDoInEditor("Fresh bread");
  zolt.setGroup(zolt.getRoot());
  ASSERT_EQ(0, zolt.search("fresh"));
  Rebuild();
  ASSERT_EQ(1u, zolt.getRowItems().size());
  ASSERT_EQ(0, zolt.undo());
  EXPECT_TRUE(zolt.getRowItems().empty()) << "no row keeps the freed to-do";
  Rebuild();
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(nullptr, zolt.getCurItem());
  ASSERT_EQ(0, zolt.redo());
  ExpectJobsAndCalendar();
}

TEST_F(UndoTest, ACutItemComesBackOnceAndKeepsItsIdentifier) {
  zolt.getUndoHistory().clear();
  unsigned sid = bank->getSyncID();
  unsigned idmax = zolt.getIdmax();
  zolt.setItem(bank);
  ASSERT_EQ(0, zolt.delToDo());
  ASSERT_EQ(0, zolt.undo());
  bool isGroup = false;
  ToDoListItem* back = zolt.getRoot()->getPtrToItemWithSyncID(sid, isGroup, true);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ("Call the bank", back->getSummary());
  EXPECT_EQ(home->fullPath(), back->getPath());
  EXPECT_EQ(idmax, zolt.getIdmax()) << "no identifier is used up";
  EXPECT_EQ(UndoHistory::kNothing, zolt.undo());
}
