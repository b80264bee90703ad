// The document's position in the tree, its main view type, options and the operations it
// forwards to the current item.
#include "document/document_fixture.h"

class NavigationTest : public DocumentTest {
 protected:
  // Enters a new sub-group of the current group whose id will be `id` (by first making
  // `id` empty sibling groups before it).
  ToDoListGroup* EnterNewGroupWithID(unsigned id) {
    for (unsigned i = 0; i < id; ++i) AddGroup("filler");
    EXPECT_EQ(0, zolt.newGroup());
    EXPECT_EQ(id, zolt.getCurGroup()->getID());
    return zolt.getCurGroup();
  }
};

TEST_F(NavigationTest, LeavingTheRootIsRefused) {
  EXPECT_EQ(-1, zolt.leaveCurGroup());
  EXPECT_EQ("/0/", zolt.getCurGroupPath());
  EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup());
}

TEST_F(NavigationTest, LeavingGoesToTheParentByPath) {
  ToDoListGroup* work = EnterNewGroupWithID(12);
  EnterNewGroupWithID(7);
  EXPECT_EQ("/0/12/7/", zolt.getCurGroupPath());
  ASSERT_EQ(0, zolt.leaveCurGroup());
  EXPECT_EQ("/0/12/", zolt.getCurGroupPath());
  EXPECT_EQ(work, zolt.getCurGroup());
  EXPECT_EQ(zolt.getRoot()->getGroupPtr("/0/12/"), zolt.getCurGroup());
}

TEST_F(NavigationTest, LeavingIsRefusedOutsideTheNormalView) {
  zolt.newGroup();
  Start(AddToDo("job"));  // so that view 1 can be entered
  for (int view : {kMainViewActiveJobs, kMainViewCalendar}) {
    zolt.setMainViewType(view);
    ASSERT_EQ(view, zolt.getMainViewType());
    std::string path = zolt.getCurGroupPath();
    EXPECT_EQ(-1, zolt.leaveCurGroup()) << view;
    EXPECT_EQ(path, zolt.getCurGroupPath()) << view;
    zolt.setMainViewType(kMainViewNormal);
  }
}

TEST_F(NavigationTest, LeavingTheSearchViewGoesBackToTheNormalView) {
  ToDoListGroup* g = AddGroup("Work");
  zolt.setGroup(g);
  zolt.setMainViewType(kMainViewSearch);
  EXPECT_EQ(0, zolt.leaveCurGroup());
  EXPECT_EQ(kMainViewNormal, zolt.getMainViewType());
  EXPECT_EQ(g, zolt.getCurGroup());
}

TEST_F(NavigationTest, MainViewTypeTransitions) {
  static const struct {
    int start;
    bool jobRuns;
    int v;
    int result;
    int after;
  } kCases[] = {
      {kMainViewNormal, false, kMainViewCalendar, 0, kMainViewCalendar},
      {kMainViewCalendar, false, kMainViewCalendar, -1, kMainViewCalendar},
      // No running job: the type stays, the result says it differed.
      {kMainViewNormal, false, kMainViewActiveJobs, 0, kMainViewNormal},
      {kMainViewCalendar, true, kMainViewActiveJobs, 0, kMainViewActiveJobs},
      {kMainViewNormal, true, kMainViewActiveJobs, 0, kMainViewActiveJobs},
  };
  for (const auto& c : kCases) {
    Zolt z;
    z.createRoot();
    z.newToDo(0, 0);
    if (c.jobRuns) z.setItemRunning(true);
    z.setMainViewType(c.start);
    EXPECT_EQ(c.result, z.setMainViewType(c.v)) << c.start << " -> " << c.v;
    EXPECT_EQ(c.after, z.getMainViewType()) << c.start << " -> " << c.v;
    // The type before the request to see the jobs is where 4 goes back to.
    if (c.v == kMainViewActiveJobs) {
      EXPECT_EQ(0, z.setMainViewType(kMainViewPrevious));
      EXPECT_EQ(c.start, z.getMainViewType()) << c.start;
    }
  }
}

TEST_F(NavigationTest, PathTextAndRootQuery) {
  EXPECT_TRUE(zolt.inRootGroup());
  EXPECT_EQ("", zolt.getCurGroupPathText());
  zolt.newGroup();
  zolt.setGroupSummary("Work");
  zolt.newGroup();
  zolt.setGroupSummary("Mail");
  EXPECT_FALSE(zolt.inRootGroup());
  EXPECT_EQ("Work\nMail", zolt.getCurGroupPathText());
  Start(AddToDo("job"));
  zolt.setMainViewType(kMainViewActiveJobs);
  EXPECT_TRUE(zolt.inRootGroup());
  EXPECT_EQ("Active jobs", zolt.getCurGroupPathText());
}

TEST_F(NavigationTest, RememberedPositions) {
  ToDoListGroup* work = AddGroup("Work");
  zolt.setGroup(work);
  ToDoListToDo* t = AddToDo("inside");
  zolt.rememberGroup();
  zolt.setGroup(zolt.getRoot());
  zolt.enterPrevGroup();
  EXPECT_EQ(work, zolt.getCurGroup());
  EXPECT_EQ("/0/0/", zolt.getCurGroupPath());

  zolt.setGroup(zolt.getRoot());
  zolt.setItem(t);
  zolt.rememberGroupOfCurrentItem();
  EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup());
  zolt.enterPrevGroup();
  EXPECT_EQ(work, zolt.getCurGroup());
}

TEST_F(NavigationTest, RowsSelectGroupsAndItemsOfTheirKindOnly) {
  ToDoListGroup* g = AddGroup("Group");
  ToDoListToDo* t = AddToDo("To-do");
  zolt.setItem(nullptr);
  Rebuild();
  ASSERT_EQ(2u, zolt.getRows().size());  // build order: groups, then to-dos
  EXPECT_EQ(-1, zolt.setItem2ViewItem(0));
  EXPECT_EQ(nullptr, zolt.getCurItem());
  EXPECT_EQ(-1, zolt.setGroup2ViewItem(1));
  EXPECT_EQ(-1, zolt.setGroup2ViewItem(2));
  EXPECT_EQ(-1, zolt.setItem2ViewItem(-1));
  EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup());
  EXPECT_EQ(0, zolt.setItem2ViewItem(1));
  EXPECT_EQ(t, zolt.getCurItem());
  EXPECT_EQ(0, zolt.setGroup2ViewItem(0));
  EXPECT_EQ(g, zolt.getCurGroup());
  EXPECT_EQ("/0/0/", zolt.getCurGroupPath());
}

TEST_F(NavigationTest, OptionsAndGroupFlags) {
  EXPECT_EQ(0, zolt.setOptViewtype(kViewFlat));
  EXPECT_EQ(kViewFlat, zolt.getOptViewtype());
  zolt.setOptsSort(0);
  EXPECT_EQ(0, zolt.getOptsSort());
  EXPECT_EQ(0, zolt.setOptShowCompleted(false));
  EXPECT_FALSE(zolt.getOptShowCompleted());
  EXPECT_EQ(0, zolt.setOptCompletedLast(false));
  EXPECT_FALSE(zolt.getOptCompletedLast());
  EXPECT_EQ(0, zolt.setOptShowKbd(true));
  EXPECT_TRUE(zolt.getOptShowKbd());

  ToDoListGroup* g = AddGroup("Work");
  EXPECT_FALSE(zolt.toggleGroupShowCompleted());
  EXPECT_FALSE(zolt.getGroupShowCompleted());
  EXPECT_TRUE(g->getShowCompleted());  // only the current group's flag changes
  EXPECT_FALSE(zolt.toggleGroupCompletedLast());
  EXPECT_TRUE(zolt.toggleGroupCompletedLast());

  unsigned w = 0, h = 0;
  zolt.windowSize(w, h);
  EXPECT_EQ(320u, w);
  w = 400;
  h = 300;
  zolt.windowSize(w, h);
  unsigned w2 = 0, h2 = 0;
  zolt.windowSize(w2, h2);
  EXPECT_EQ(400u, w2);
  EXPECT_EQ(300u, h2);
}

TEST_F(NavigationTest, RunningCountFollowsTheItem) {
  ToDoListToDo* t = AddToDo("job");
  EXPECT_EQ(0, zolt.setItemRunning(true));
  EXPECT_EQ(1u, zolt.getNrActiveJobs());
  EXPECT_EQ(-1, zolt.setItemRunning(true));  // already running: the count stays
  EXPECT_EQ(1u, zolt.getNrActiveJobs());
  EXPECT_EQ(0, zolt.setItemRunning(false));
  EXPECT_EQ(0u, zolt.getNrActiveJobs());
  EXPECT_EQ(-1, zolt.setItemRunning(false));
  EXPECT_EQ(0u, zolt.getNrActiveJobs());
  EXPECT_TRUE(t->getNrTimes() == 1);
}

// Fault 3: completing stops a job, but a refused completion must not change the count.
TEST_F(NavigationTest, CompletingARunningItemKeepsTheCountRight) {
  ToDoListToDo* appointment = AddAppointment("meeting", 100, Day(2009, 2, 3), Day(2009, 2, 3));
  Start(appointment);
  EXPECT_EQ(-2, zolt.setItemCompleted());  // appointments are never completed
  EXPECT_TRUE(appointment->isRunning());
  ExpectJobsMatchTree();
  ToDoListToDo* job = AddToDo("job");
  Start(job);
  EXPECT_EQ(0, zolt.setItemCompleted());
  EXPECT_FALSE(job->isRunning());
  EXPECT_EQ(-2, zolt.setItemCompleted());  // already completed
  ExpectJobsMatchTree();
  EXPECT_EQ(1u, zolt.getNrActiveJobs());
}

TEST_F(NavigationTest, ForwardsToTheCurrentItem) {
  ToDoListToDo* t = AddToDo("Buy milk");
  EXPECT_EQ("Buy milk", zolt.getItemSummary());
  const char* text = nullptr;
  EXPECT_EQ(-1, zolt.getItemDescription(text));  // no description yet
  zolt.setItemDescription("two\nlines");
  ASSERT_EQ(0, zolt.getItemDescription(text));
  EXPECT_STREQ("two\nlines", text);

  ASSERT_EQ(0, zolt.setDateToday(0));
  EXPECT_EQ(getTodayDate(kEmptyDateTime), zolt.getDateTime(0));
  EXPECT_EQ(kEmptyDateTime, zolt.getDateTime(1));
  EXPECT_EQ(1u, zolt.getCalendar().datedToDos().size());
  zolt.setRecData(T_recData{3, 2, kEmptyDateTime, kEmptyDateTime});
  T_recData r;
  zolt.getRecData(r);
  EXPECT_EQ(0, r.type);  // a to-do without a begin cannot recur
  zolt.clearDate(0);
  EXPECT_EQ(0u, zolt.getCalendar().nrListed());
  EXPECT_EQ(-1, zolt.setItemPriority(7));
  EXPECT_EQ(3u, zolt.getItemPriority());
  EXPECT_EQ(t, zolt.getCurItem());
}

TEST_F(NavigationTest, WithoutCurrentItemForwardersRefuse) {
  const char* text = nullptr;
  EXPECT_EQ(-1, zolt.getItemDescription(text));
  EXPECT_EQ(-1, zolt.setItemRunning(true));
  EXPECT_EQ(-1, zolt.setItemCompleted());
  EXPECT_EQ(-1, zolt.setDate(0, 2009, 2, 7));
  EXPECT_EQ(kEmptyDateTime, zolt.getDateTime(0));
  EXPECT_EQ("", zolt.getItemSummary());
  EXPECT_EQ(0u, zolt.getNrActiveJobs());
}
