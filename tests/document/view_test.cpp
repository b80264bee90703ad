// The rows of the normal, active-jobs and search results views, built and sorted through
// the document.
#include "document/document_fixture.h"

class ViewTest : public DocumentTest {};

TEST_F(ViewTest, TreeViewHidesCompletedItemsPerGroup) {
  zolt.setOptsSort(0);
  AddToDo("open");
  Complete(AddToDo("done"));
  ToDoListGroup* finished = AddGroup("finished group");
  zolt.setGroup(finished);
  Complete(AddToDo("inner done"));
  AddGroup("empty");                              // a group without to-dos is not done
  ASSERT_FALSE(zolt.toggleGroupShowCompleted());  // the sub-group hides its own completed
  zolt.setGroup(zolt.getRoot());
  zolt.checkCompleted();

  ASSERT_FALSE(zolt.toggleGroupShowCompleted());
  Rebuild();
  EXPECT_EQ(std::vector<std::string>{"open"}, Texts());

  ASSERT_TRUE(zolt.toggleGroupShowCompleted());
  Rebuild();
  EXPECT_EQ((std::vector<std::string>{"open", "done", "finished group"}), Texts());
  // Build order is groups first, then to-dos; the rows carry what they stand for.
  ASSERT_EQ(3u, zolt.getRows().size());
  EXPECT_TRUE(zolt.getRows()[0].isGroup);
  EXPECT_EQ("finished group", zolt.getRows()[0].text);
  EXPECT_EQ(finished, zolt.getRowItems()[0]);
  EXPECT_EQ(kEmptyDateTime, zolt.getRows()[0].date);
  EXPECT_TRUE(zolt.getRows()[0].completed);

  zolt.setGroup(finished);
  Rebuild();
  // Its own flag hides its completed to-do; the empty group, done with nothing, stays.
  EXPECT_EQ(std::vector<std::string>{"empty"}, Texts());
}

TEST_F(ViewTest, FlatViewListsEveryLevelWithGroupsAsRows) {
  AddToDo("top");
  ToDoListGroup* a = AddGroup("A");
  AddGroup("B");
  zolt.setGroup(a);
  AddToDo("in A");
  AddGroup("A1");
  zolt.setGroup(zolt.getRoot());
  zolt.setOptViewtype(kViewFlat);
  zolt.clearViewData();
  zolt.getContent();  // build order, unsorted
  EXPECT_EQ((std::vector<std::string>{"A", "B", "top", "A1", "in A"}), Texts());

  zolt.setGroup(a);  // only what lies below the current group
  Rebuild();
  EXPECT_EQ((std::vector<std::string>{"A1", "in A"}), Texts());
}

TEST_F(ViewTest, ActiveJobsComeFromTheWholeTree) {
  ToDoListGroup* a = AddGroup("A");
  ToDoListGroup* b = AddGroup("B");
  zolt.setGroup(a);
  Start(AddToDo("job in A"));
  AddToDo("idle in A");
  zolt.setGroup(b);
  ToDoListToDo* done = AddToDo("done job in B");
  Start(done);
  done->setCompletedDirect(T_completed{true, 1});  // shown, completed or not
  zolt.setGroup(a);
  zolt.setOptShowCompleted(false);
  ASSERT_EQ(0, zolt.setMainViewType(kMainViewActiveJobs));
  zolt.clearViewData();
  zolt.getContent();
  EXPECT_EQ((std::vector<std::string>{"job in A", "done job in B"}), Texts());
  EXPECT_EQ(2u, zolt.getRowItems().size());
}

TEST_F(ViewTest, ClearViewDataEmptiesAllThreeVectors) {
  AddToDo("a");
  AddGroup("g");
  Rebuild();
  ASSERT_EQ(2u, zolt.getRows().size());
  zolt.clearViewData();
  EXPECT_TRUE(zolt.getRows().empty());
  EXPECT_TRUE(zolt.getRowItems().empty());
  EXPECT_TRUE(zolt.getRowOrder().empty());
}

// The search results view keeps its hits across clearViewData and rebuilds its rows from
// them; entering it without hits shows nothing.
TEST_F(ViewTest, SearchViewWithoutHitsShowsNothing) {
  AddToDo("a");
  zolt.setMainViewType(kMainViewSearch);
  zolt.clearViewData();
  zolt.getContent();
  EXPECT_TRUE(zolt.getRows().empty());
  EXPECT_TRUE(zolt.getRowOrder().empty());
}

TEST_F(ViewTest, SortByDatePutsUndatedGroupsLastAndTextsInCollationOrder) {
  zolt.setOptsSort(1);
  AddGroup("group");
  AddDatedToDo("later", Day(2009, 2, 6));
  zolt.setItemPriority(1);
  AddDatedToDo("earlier", Day(2009, 2, 5));
  zolt.setItemPriority(6);
  AddToDo("apple");
  AddToDo("Banana");
  Rebuild();
  // Undated to-dos and groups share the empty date; then by priority (group 3 = to-do 3),
  // then by text as the language sorts it, a lower-case a before an upper-case B.
  EXPECT_EQ((std::vector<std::string>{"earlier", "later", "apple", "Banana", "group"}), Texts());
}

TEST_F(ViewTest, CompletedLastWithSortByPriority) {
  zolt.setOptsSort(0);
  Complete(AddToDo("done, urgent", 1));
  AddToDo("open, idle", 6);
  Rebuild();  // the root's completed-last flag is on by default
  EXPECT_EQ((std::vector<std::string>{"open, idle", "done, urgent"}), Texts());
  zolt.toggleGroupCompletedLast();
  Rebuild();
  EXPECT_EQ((std::vector<std::string>{"done, urgent", "open, idle"}), Texts());
}

TEST_F(ViewTest, RowOrderIsAPermutationAndStableForEqualRows) {
  for (int i = 0; i < 5; ++i) AddToDo("same");
  Rebuild();
  std::vector<unsigned> expected = {0, 1, 2, 3, 4};
  EXPECT_EQ(expected, zolt.getRowOrder());
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(zolt.getRoot()->getToDos()[i], zolt.getRowItems()[i]);
}
