// An encrypted description never reaches a file in clear: after each operation that copies,
// moves, rebuilds or writes an item, with the keys logged in and the description decrypted
// in memory, no file that Zolt wrote holds its text.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <vector>

#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "test_util.h"

namespace {

const char kOld[] = "MARKER-stored-9c1e";  // stored encrypted before this session
const char kNew[] = "MARKER-typed-4b7d";   // marked for encryption in this session

// Every regular file below `dir`, recursively.
void listFiles(const std::string& dir, std::vector<std::string>& out) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string path = dir + "/" + n;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) listFiles(path, out);
    if (S_ISREG(st.st_mode)) out.push_back(path);
  }
  closedir(d);
}

class ClearTextMarkerTest : public ::testing::Test {
 protected:
  // A master file with one to-do whose description is stored encrypted, opened again and
  // logged in, the description decrypted in memory as opening the to-do does.
  void SetUp() override {
    {
      Zolt maker;
      maker.createRoot();
      ASSERT_EQ(0, maker.readData(file.c_str()));
      ASSERT_EQ(0, maker.getKeys().AddPwd("home", "pw"));
      ASSERT_EQ(0, maker.storeAddedPasswords(0, false));
      ASSERT_EQ(0, maker.newToDo(3, 0));
      maker.incsave_newItem();
      maker.setItemSummary("stored");
      maker.setItemDescription(kOld);
      maker.getCurItem()->SetSaveCrypt(true);
      ASSERT_EQ(0, maker.incsave_saveCurItem());
      ASSERT_EQ(0, maker.incsave_compact(file.c_str()));
    }
    z.reset(new Zolt());
    z->createRoot();
    ASSERT_EQ(0, z->readData(file.c_str()));
    z->getKeys().Login(0, "pw");
    ASSERT_TRUE(z->getKeys().IsLoggedIn());
    Select("stored");
    const char* text = nullptr;
    ASSERT_EQ(0, z->getItemDescription(text));
    ASSERT_STREQ(kOld, text);
    NoFileHoldsAMarker("the setup");
  }

  // Makes the to-do `summary` (anywhere in the tree) the current item and its group current.
  void Select(const std::string& summary) {
    std::vector<ToDoListItem*> items;
    z->getRoot()->collectSubtree(items);
    for (ToDoListItem* item : items) {
      ToDoListGroup* g = z->getRoot()->getGroupPtr(item->getPath());
      if (g == nullptr) continue;
      for (ToDoListToDo* t : g->getToDos()) {
        if (t == item && t->getSummary() == summary) {
          z->setGroup(g);
          z->setItem(t);
          return;
        }
      }
    }
    FAIL() << "no to-do " << summary;
  }

  void NoFileHoldsAMarker(const std::string& after) {
    std::vector<std::string> files;
    listFiles(dir.path(), files);
    ASSERT_FALSE(files.empty());
    for (const std::string& f : files) {
      std::string content = readFile(f);
      EXPECT_EQ(std::string::npos, content.find("MARKER")) << f << " after " << after;
    }
    ++checks;
  }

  TempDir dir;
  std::string file = dir.file("data.dat");
  std::unique_ptr<Zolt> z;
  int checks = 0;
};

TEST_F(ClearTextMarkerTest, NoOperationWritesADecryptedDescription) {
  // A second to-do whose description is typed and marked, not yet stored anywhere.
  ASSERT_EQ(0, z->newToDo(3, 0));
  z->incsave_newItem();
  z->setItemSummary("typed");
  z->setItemDescription(kNew);
  z->getCurItem()->SetSaveCrypt(true);
  ASSERT_EQ(0, z->incsave_saveCurItem());
  NoFileHoldsAMarker("a new to-do with a marked description");

  const std::string exchange = dir.file("exchange.tmp");
  const std::string exported = dir.file("export.dat");
  const struct {
    const char* what;
    const char* item;
    std::function<int()> op;
  } kOperations[] = {
      {"an unchanged save from the editor", "stored",
       [&] {
         z->incsave_rememberTodo();
         z->setItemDescription(kOld);
         z->setItemSummary("stored");
         z->incsave_newItem();  // forces the record although nothing changed
         return z->incsave_saveCurItem();
       }},
      {"turn to group (stored)", "stored", [&] { return z->turnCurItem2Group(); }},
      {"turn to group (typed)", "typed", [&] { return z->turnCurItem2Group(); }},
      {"copy of a to-do", "stored", [&] { return z->exportToDoToFile(exchange.c_str()); }},
      {"paste", "stored", [&] { return z->insertDataFromFile(exchange.c_str()); }},
      {"copy of a group", "typed", [&] { return z->exportGroupToFile(exchange.c_str()); }},
      {"paste of a group", "typed", [&] { return z->insertDataFromFile(exchange.c_str()); }},
      {"export of a group's content", "typed",
       [&] { return z->exportContentToFile(exported.c_str()); }},
      {"insertion of a built group", "stored",
       [&] {
         ToDoListGroup built(0, "/", 0);
         built.setSummary("built");
         *built.newToDo() = *z->getCurItem();
         return z->insertGroup(built);
       }},
      {"search", "stored",
       [&] {
         int result = z->search(kOld);
         if (result == 0) result = z->exportContentToFile(exported.c_str());
         z->leaveCurGroup();
         return result;
       }},
      {"iCalendar export", "stored",
       [&] {
         T_IcsReport report;
         return exportICalendar(*z, dir.file("export.ics").c_str(), T_IcsExportOptions(), report);
       }},
      {"full save", "stored", [&] { return z->incsave_compact(file.c_str()); }},
  };
  for (const auto& o : kOperations) {
    Select(o.item);
    ASSERT_EQ(0, o.op()) << o.what;
    NoFileHoldsAMarker(o.what);
  }
  EXPECT_EQ(14, checks);

  // Every copy still opens with the key.
  Zolt reread;
  reread.createRoot();
  ASSERT_EQ(0, reread.readData(file.c_str()));
  reread.getKeys().Login(0, "pw");
  std::vector<ToDoListItem*> items;
  reread.getRoot()->collectSubtree(items);
  int opened = 0;
  for (ToDoListItem* item : items) {
    ToDoListGroup* g = reread.getRoot()->getGroupPtr(item->getPath());
    for (ToDoListToDo* t : g ? g->getToDos() : std::vector<ToDoListToDo*>()) {
      if (t != item) continue;
      const char* text = nullptr;
      ASSERT_EQ(0, t->GetDescription(text, &reread.getKeys())) << t->getSummary();
      EXPECT_TRUE(std::string(text) == kOld || std::string(text) == kNew) << text;
      ++opened;
    }
  }
  EXPECT_LE(5, opened);
}

}  // namespace
