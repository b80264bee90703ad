#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>

#include "document/document_fixture.h"
#include "document/search_pairs.h"
#include "store/text_util.h"

namespace {

// The rule the search follows, by upper-cased copies: the summary is compared whole, a
// description (none when empty) and the needle as C strings, each up to its first NUL.
bool ReferenceContains(const std::string& summary, const std::string& descr,
                       const std::string& text) {
  if (strU(summary).find(strU(text)) != std::string::npos) return true;
  return !descr.empty() && strstr(strU(descr).c_str(), strU(text).c_str()) != nullptr;
}

// A to-do read from its record, so summary and description may hold any byte but a line
// feed in the summary.
std::unique_ptr<ToDoListToDo> ReadToDo(const std::string& summary, const std::string& descr) {
  std::string record = "s" + summary + "\n";
  if (!descr.empty()) record += "d" + std::to_string(descr.size()) + "\n" + descr + "\n";
  std::istringstream in(record + ">\n");
  std::unique_ptr<ToDoListToDo> t(new ToDoListToDo(0, "/0/"));
  unsigned jobs = 0, idmax = 0;
  T_Calendar cal;
  EXPECT_EQ(0, t->readContent(in, jobs, idmax, cal)) << summary;
  t->removeFromCalLists(cal);
  return t;
}

// The whole tree with identifiers, for comparing documents.
std::string Tree(ToDoListGroup* root) {
  std::ostringstream out;
  root->writeContent(out, false, nullptr, true, true);
  return out.str();
}

int CountGroupsNamed(const ToDoListGroup* g, const std::string& name) {
  int n = 0;
  for (const ToDoListGroup* s : g->getGroups()) n += (s->getSummary() == name ? 1 : 0);
  return n;
}

}  // namespace

TEST(ContainsTextTest, FoldsCaseAndStopsDescriptionsAtNul) {
  static const struct {
    const char* name;
    std::string summary;
    std::string descr;
    std::string text;
    bool expected;
  } kCases[] = {
      {"upper in summary", "Buy ABC", "", "abc", true},
      {"mixed in summary", "aBc", "", "ABC", true},
      {"in description", "xyz", "notes\non aBc", "abc", true},
      {"nowhere", "xyz", "uvw", "abc", false},
      {"needle longer", "abc", "", "abcd", false},
      {"after a partial match", "aab", "", "AB", true},
      {"no match across a gap", "abab c", "", "abc", false},
      {"utf-8 same case", "caf\xc3\xa9", "", "CAF\xc3\xa9", true},
      {"latin-1 other case", "\xe9t\xe9", "", "\xc9T\xc9", false},
      {"brackets are no letters", "a{b", "", "A[B", false},
      {"at and grave are no letters", "@", "", "`", false},
      {"description before its NUL", "x", std::string("ab\0cd", 5), "AB", true},
      {"description after its NUL", "x", std::string("ab\0cd", 5), "cd", false},
      {"summary past a NUL", std::string("a\0b", 3), "", "B", true},
      {"empty needle", "", "", "", true},
      {"needle past its NUL", "x", "y", std::string("\0z", 2), true},
      {"needle past its NUL, no description", "x", "", std::string("\0z", 2), false},
  };
  // ASCII and bytes that are no UTF-8 fold as upper-cased copies would.
  for (const auto& c : kCases) {
    ASSERT_EQ(c.expected, ReferenceContains(c.summary, c.descr, c.text)) << c.name;
    EXPECT_EQ(c.expected, ReadToDo(c.summary, c.descr)->containsText(c.text, nullptr)) << c.name;
  }
}

TEST(ContainsTextTest, AgreesWithUpperCasedCopiesOnRandomText) {
  static const char kAlphabet[] = {'a', 'A', 'b', 'B', 'z', 'Z', '{', '[', '\xe9', '\xc9', '\0'};
  std::mt19937 random(7);
  auto randomText = [&random](size_t maxLen) {
    std::string s(random() % (maxLen + 1), ' ');
    for (char& ch : s) ch = kAlphabet[random() % sizeof kAlphabet];
    return s;
  };
  for (int i = 0; i < 3000; ++i) {
    std::string summary = randomText(10), descr = randomText(24), text = randomText(3);
    if (text.empty()) text = "a";
    bool expected = ReferenceContains(summary, descr, text);
    EXPECT_EQ(expected, ReadToDo(summary, descr)->containsText(text, nullptr))
        << "summary '" << summary << "' description '" << descr << "' text '" << text << "'";
  }
}

class SearchTest : public DocumentTest {
 protected:
  // root: "abc at root"; Work: "Call ABC", "other", "done aBc" (completed), Deep: "deep abc";
  // Home: "home abc"; "abc group": nothing matching.
  void SetUp() override {
    AddToDo("abc at root");
    work = AddGroup("Work");
    home = AddGroup("Home");
    AddGroup("abc group");
    zolt.setGroup(work);
    AddToDo("Call ABC");
    AddToDo("other");
    Complete(AddToDo("done aBc"));
    deep = AddGroup("Deep");
    zolt.setGroup(deep);
    AddToDo("deep abc");
    zolt.setGroup(home);
    AddToDo("home abc");
    zolt.setGroup(zolt.getRoot());
  }
  // The results' summaries in the order found (the row items hold them last first).
  std::vector<std::string> Results() const {
    std::vector<std::string> out;
    const std::vector<ToDoListItem*>& items = zolt.getRowItems();
    for (auto it = items.rbegin(); it != items.rend(); ++it) out.push_back((*it)->getSummary());
    return out;
  }

  ToDoListGroup* work = nullptr;
  ToDoListGroup* home = nullptr;
  ToDoListGroup* deep = nullptr;
};

TEST_F(SearchTest, FindsToDosOfTheCurrentGroupAndBelowOnly) {
  zolt.setGroup(work);
  std::string workPath = zolt.getCurGroupPath();
  ASSERT_EQ(0, zolt.search("abc"));
  EXPECT_EQ(kMainViewSearch, zolt.getMainViewType());
  EXPECT_EQ((std::vector<std::string>{"Call ABC", "done aBc", "deep abc"}), Results());
  // Before the first sort the rows show in the order found.
  EXPECT_EQ(Results(), Texts());
  ToDoListGroup* results = zolt.getCurGroup();
  EXPECT_EQ("search results", results->getSummary());
  EXPECT_EQ("/0/", results->getPath());
  EXPECT_TRUE(results->getToDos().empty());
  EXPECT_EQ("search results", zolt.getCurGroupPathText());
  Rebuild();
  std::vector<std::string> shown = Texts();
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ((std::vector<std::string>{"Call ABC", "deep abc", "done aBc"}), shown);

  ASSERT_EQ(0, zolt.leaveCurGroup());
  EXPECT_EQ(kMainViewNormal, zolt.getMainViewType());
  EXPECT_EQ(work, zolt.getCurGroup());
  EXPECT_EQ(workPath, zolt.getCurGroupPath());
  EXPECT_EQ(0, CountGroupsNamed(zolt.getRoot(), "search results"));
}

TEST_F(SearchTest, FromTheRootFindsEveryMatchButNoGroupNames) {
  ASSERT_EQ(0, zolt.search("ABC"));
  EXPECT_EQ(
      (std::vector<std::string>{"abc at root", "Call ABC", "done aBc", "deep abc", "home abc"}),
      Results());
}

TEST_F(SearchTest, RefiningKeepsOnlyResultsThatAlsoMatch) {
  zolt.setGroup(home);
  AddToDo("red apple");
  AddToDo("red car");
  AddToDo("green apple");
  AddToDo("apple pie, red");
  ASSERT_EQ(0, zolt.search("red"));
  ToDoListGroup* results = zolt.getCurGroup();
  ASSERT_EQ(0, zolt.search("APPLE"));
  // "green apple" matches the second text only and was no result: it stays out.
  EXPECT_EQ((std::vector<std::string>{"red apple", "apple pie, red"}), Results());
  EXPECT_EQ(results, zolt.getCurGroup());
  EXPECT_EQ(1, CountGroupsNamed(zolt.getRoot(), "search results"));
  ASSERT_EQ(0, zolt.search("car"));
  EXPECT_TRUE(Results().empty());
  ASSERT_EQ(0, zolt.leaveCurGroup());
  EXPECT_EQ(home, zolt.getCurGroup());
}

TEST_F(SearchTest, NothingFoundStillShowsTheEmptyResultsGroup) {
  ASSERT_EQ(0, zolt.search("no such text"));
  EXPECT_EQ(kMainViewSearch, zolt.getMainViewType());
  EXPECT_EQ("search results", zolt.getCurGroup()->getSummary());
  Rebuild();
  EXPECT_TRUE(zolt.getRows().empty());
}

TEST_F(SearchTest, RefusedInTheActiveJobsAndCalendarViews) {
  Start(zolt.getRoot()->getToDos()[0]);
  for (int view : {kMainViewActiveJobs, kMainViewCalendar}) {
    zolt.setMainViewType(kMainViewNormal);
    zolt.setMainViewType(view);
    ASSERT_EQ(view, zolt.getMainViewType()) << view;
    Rebuild();
    size_t rows = zolt.getRows().size();
    EXPECT_EQ(-1, zolt.search("abc")) << view;
    EXPECT_EQ(view, zolt.getMainViewType()) << view;
    EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup()) << view;
    EXPECT_EQ(rows, zolt.getRows().size()) << view;
    EXPECT_EQ(0, CountGroupsNamed(zolt.getRoot(), "search results")) << view;
  }
}

TEST_F(SearchTest, SearchGroupNeverReachesTheMasterFile) {
  zolt.setGroup(work);
  std::string workPath = zolt.getCurGroupPath();
  std::string before = Tree(zolt.getRoot());
  ASSERT_EQ(0, zolt.search("abc"));
  ASSERT_EQ(0, zolt.writeData(master.c_str()));
  EXPECT_EQ(std::string::npos, readFile(master).find("search results"));
  EXPECT_NE(std::string::npos, readFile(master).find("<curGroup=" + workPath + ">\n"));
  // The results view goes on undisturbed by the save.
  EXPECT_EQ(3u, zolt.getRowItems().size());
  EXPECT_EQ("search results", zolt.getCurGroup()->getSummary());

  Zolt reopened;
  reopened.createRoot();
  ASSERT_EQ(0, reopened.readData(master.c_str()));
  EXPECT_EQ(before, Tree(reopened.getRoot()));
  EXPECT_EQ(workPath, reopened.getCurGroupPath());
}

TEST_F(SearchTest, SearchGroupNeverReachesTheJournal) {
  ASSERT_EQ(0, zolt.search("abc"));
  zolt.incsave_rememberGroup();
  zolt.setGroupSummary("renamed");
  EXPECT_EQ(0, zolt.incsave_saveCurGroup());
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
  zolt.incsave_forgetGroup();
  ASSERT_EQ(0, zolt.incsave_compact(master.c_str()));
  EXPECT_EQ(std::string::npos, readFile(master).find("renamed"));
}

// A results view switched away from without being left keeps its group in the tree; the
// next search must not add a second one beside it.
TEST_F(SearchTest, NewSearchDropsAResultsGroupLeftBehind) {
  zolt.setGroup(work);
  ASSERT_EQ(0, zolt.search("abc"));
  zolt.setMainViewType(kMainViewCalendar);
  zolt.setMainViewType(kMainViewNormal);
  ASSERT_EQ(0, zolt.search("deep"));
  EXPECT_EQ(1, CountGroupsNamed(zolt.getRoot(), "search results"));
  EXPECT_EQ((std::vector<std::string>{"deep abc"}), Results());
  ASSERT_EQ(0, zolt.leaveCurGroup());
  EXPECT_EQ(work, zolt.getCurGroup());
  EXPECT_EQ(0, CountGroupsNamed(zolt.getRoot(), "search results"));
}

// A master file whose key block was made with two hash iterations, so that logging in is
// quick; it holds one to-do whose description is stored encrypted.
static void WriteLockedFile(const std::string& name, const std::string& summary,
                            const std::string& description) {
  CryptMan fast(2);
  ASSERT_EQ(0, fast.AddPwd("test", "secret"));
  ToDoListToDo t(0, "/0/");
  t.setSyncID(2);
  t.setSummary(summary);
  t.setDescription(description.c_str());
  t.SetSaveCrypt(true);
  std::ostringstream os;
  os << "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=2>\n";
  fast.Write(os);
  os << "g\ns<unnamed>\nI1\n";
  ASSERT_EQ(0, t.writeContent(os, false, &fast));
  os << ">\n</data>\n";
  writeFile(name, os.str());
}

TEST_F(SearchTest, EncryptedDescriptionIsSearchedOnlyAfterALogin) {
  std::string file = dir.file("locked.dat");
  WriteLockedFile(file, "locked note", "the code is 1234");
  Zolt locked;
  locked.createRoot();
  ASSERT_EQ(0, locked.readData(file.c_str()));
  ToDoListToDo* note = locked.getRoot()->getToDos().at(0);
  ASSERT_TRUE(locked.getKeys().CanLogIn());

  ASSERT_EQ(0, locked.search("1234"));
  EXPECT_TRUE(locked.getRowItems().empty());
  ASSERT_EQ(0, locked.leaveCurGroup());
  ASSERT_EQ(0, locked.search("LOCKED"));
  EXPECT_EQ(1u, locked.getRowItems().size());
  ASSERT_EQ(0, locked.leaveCurGroup());

  locked.getKeys().Login(0, "secret");
  ASSERT_TRUE(locked.getKeys().IsLoggedIn());
  ASSERT_EQ(0, locked.search("CODE IS 1234"));
  ASSERT_EQ(1u, locked.getRowItems().size());
  EXPECT_EQ(note, locked.getRowItems()[0]);
  // The search decrypted the description in memory.
  EXPECT_EQ(0, note->getDescrData().getFlags() & kDescrEncrypted);
}

TEST_F(SearchTest, LeavingForgetsAPositionRememberedInTheResults) {
  ASSERT_EQ(0, zolt.search("abc"));
  zolt.rememberGroup();  // as the editor does when it opens an item from the results
  ASSERT_EQ(0, zolt.leaveCurGroup());
  zolt.enterPrevGroup();
  EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup());
  EXPECT_EQ("/0/", zolt.getCurGroupPath());
}

// Each pair's stored text once as a summary and once as a description under an empty
// summary, in a sub-group; the typed text, searched from the root, finds both or neither.
TEST_F(SearchTest, FindsTextsInOtherLanguagesAndForms) {
  ToDoListGroup* g = AddGroup("languages");
  zolt.setGroup(g);
  for (const SearchPair& p : kSearchPairs) {
    AddToDo(p.stored);
    AddToDo("");
    zolt.setItemDescription(p.stored);
  }
  zolt.setGroup(zolt.getRoot());
  const std::vector<ToDoListToDo*>& todos = g->getToDos();
  for (size_t i = 0; i < sizeof kSearchPairs / sizeof *kSearchPairs; ++i) {
    const SearchPair& p = kSearchPairs[i];
    ASSERT_EQ(0, zolt.search(p.typed)) << p.name;
    const std::vector<ToDoListItem*>& found = zolt.getRowItems();
    auto has = [&found](const ToDoListItem* t) {
      return std::find(found.begin(), found.end(), t) != found.end();
    };
    EXPECT_EQ(p.found, has(todos[2 * i])) << p.name << ", in the summary";
    EXPECT_EQ(p.found, has(todos[2 * i + 1])) << p.name << ", in the description";
    ASSERT_EQ(0, zolt.leaveCurGroup());
  }
}

TEST_F(SearchTest, EncryptedDescriptionFoldsLikeAnyOtherAfterALogin) {
  std::string file = dir.file("locked.dat");
  WriteLockedFile(file, "note", "Hauptstra\xc3\x9f" "e 5, \xd0\x9a\xd1\x83\xd0\xbf\xd0\xb8\xd1\x82\xd1\x8c");
  Zolt locked;
  locked.createRoot();
  ASSERT_EQ(0, locked.readData(file.c_str()));
  ASSERT_EQ(0, locked.search("STRASSE"));
  EXPECT_TRUE(locked.getRowItems().empty());
  ASSERT_EQ(0, locked.leaveCurGroup());
  locked.getKeys().Login(0, "secret");
  ASSERT_EQ(0, locked.search("\xd0\xba\xd1\x83\xd0\xbf\xd0\xb8\xd1\x82\xd1\x8c"));
  EXPECT_EQ(1u, locked.getRowItems().size());
  ASSERT_EQ(0, locked.search("strasse"));
  EXPECT_EQ(1u, locked.getRowItems().size());
}
