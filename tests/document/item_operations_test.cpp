// Creating, deleting and transforming items through the document, with their refusals and
// journal records.
#include <algorithm>

#include "document/calendar_view.h"
#include "document/document_fixture.h"

class ItemOperationsTest : public DocumentTest {
 protected:
  ToDoListGroup* CalendarGroup() {
    return zolt.getRoot()->getGroupPtrFromSumPath("/", "/<unnamed>/calendar/");
  }
  // Rows (build order) that stand for `item`.
  size_t RowsOf(const ToDoListItem* item) const {
    const std::vector<ToDoListItem*>& items = zolt.getRowItems();
    return static_cast<size_t>(std::count(items.begin(), items.end(), item));
  }
  int RowOf(const ToDoListItem* item) const {
    const std::vector<ToDoListItem*>& items = zolt.getRowItems();
    auto it = std::find(items.begin(), items.end(), item);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
  }
  static std::string DeletedRecord(unsigned sid) {
    return "<deleted>\n" + std::to_string(sid) + "\n</deleted>\n";
  }
};

// ---- newGroup and newToDo ----

TEST_F(ItemOperationsTest, NewGroupIsEnteredWithTheNextIdentifier) {
  unsigned before = zolt.getIdmax();
  ASSERT_EQ(0, zolt.newGroup());
  ToDoListGroup* g = zolt.getCurGroup();
  EXPECT_EQ(zolt.getRoot()->getGroups()[0], g);
  EXPECT_EQ("/0/0/", zolt.getCurGroupPath());
  EXPECT_EQ(before + 1, g->getSyncID());
  EXPECT_EQ(before + 1, zolt.getIdmax());
}

TEST_F(ItemOperationsTest, NewGroupIsRefusedOutsideTheNormalView) {
  zolt.setMainViewType(kMainViewCalendar);
  unsigned before = zolt.getIdmax();
  EXPECT_EQ(-1, zolt.newGroup());
  EXPECT_TRUE(zolt.getRoot()->getGroups().empty());
  EXPECT_EQ(before, zolt.getIdmax());
}

TEST_F(ItemOperationsTest, IdentifiersAreNeverReused) {
  ToDoListToDo* a = AddToDo("a");
  unsigned first = a->getSyncID();
  EXPECT_EQ(zolt.getIdmax(), first);
  ASSERT_EQ(0, zolt.delToDo());
  ToDoListToDo* b = AddToDo("b");
  EXPECT_EQ(first + 1, b->getSyncID());
  EXPECT_EQ(b, zolt.getRoot()->getToDos()[0]);
}

TEST_F(ItemOperationsTest, HeadingRowMakesABusyAppointmentInTheCalendarGroup) {
  ToDoListGroup* work = AddGroup("Work");
  zolt.setGroup(work);
  ShowCalendar(Day(2009, 2, 2), 7);
  int heading = FindRow(kRowHeading, Day(2009, 2, 7) & kDateMask);
  ASSERT_GE(heading, 0);
  ASSERT_EQ(0, zolt.newToDo(100, heading));

  EXPECT_EQ(work, zolt.getCurGroup());
  EXPECT_EQ("/0/0/", zolt.getCurGroupPath());
  ToDoListGroup* cal = CalendarGroup();
  ASSERT_NE(nullptr, cal);
  EXPECT_EQ("calendar", cal->getSummary());
  EXPECT_EQ("/0/", cal->getPath());  // directly below the root
  ToDoListToDo* t = zolt.getCurItem();
  ASSERT_EQ(1u, cal->getToDos().size());
  EXPECT_EQ(t, cal->getToDos()[0]);
  EXPECT_EQ(100u, t->getPriority());
  EXPECT_EQ(1, t->getShowTimeAs());
  EXPECT_EQ(At(2009, 2, 7, 8, 0), t->getDateTime(1));
  EXPECT_EQ(At(2009, 2, 7, 8, 30), t->getDateTime(0));
  EXPECT_EQ(zolt.getIdmax(), t->getSyncID());
  EXPECT_EQ(cal->getSyncID() + 1, t->getSyncID());
  EXPECT_EQ(1u, zolt.getCalendar().datedBusy().size());
}

// The group is journalled the moment it is made, so a to-do journalled into it later has
// a parent to go to when the journal is replayed.
TEST_F(ItemOperationsTest, CalendarGroupIsMadeOnceAndJournalledAtOnce) {
  ShowCalendar(Day(2009, 2, 2), 7);
  int closing = FindRow(kRowClosing, Day(2009, 2, 3));
  ASSERT_GE(closing, 0);
  ASSERT_EQ(0, zolt.newToDo(3, closing));
  ToDoListGroup* cal = CalendarGroup();
  ASSERT_NE(nullptr, cal);
  ASSERT_EQ(1, zolt.incsave_getNrOfFiles());
  std::string record = Journal(0);
  EXPECT_NE(std::string::npos,
            record.find("<new parent=" + std::to_string(zolt.getRoot()->getSyncID()) + ">\ng\n"))
      << record;
  EXPECT_NE(std::string::npos, record.find("\nscalendar\n")) << record;

  ASSERT_EQ(0, zolt.newToDo(200, closing));
  EXPECT_EQ(1u, zolt.getRoot()->getGroups().size());
  EXPECT_EQ(2u, cal->getToDos().size());
  EXPECT_EQ(1, zolt.incsave_getNrOfFiles());
}

TEST_F(ItemOperationsTest, ClosingRowItemsByPriority) {
  static const struct {
    unsigned priority;
    unsigned begin;
    unsigned end;
    const char* summary;
  } kCases[] = {
      {200, Day(2009, 2, 4), Day(2009, 2, 4), ""},
      {3, Day(2009, 2, 4), Day(2009, 2, 4), "<unnamed>"},
      {0, Day(2009, 2, 4), Day(2009, 2, 4), "<unnamed>"},  // Alt+n in the calendar
  };
  ShowCalendar(Day(2009, 2, 2), 7);
  int closing = FindRow(kRowClosing, Day(2009, 2, 4));
  ASSERT_GE(closing, 0);
  for (const auto& c : kCases) {
    ASSERT_EQ(0, zolt.newToDo(c.priority, closing)) << c.priority;
    ToDoListToDo* t = zolt.getCurItem();
    EXPECT_EQ(c.priority, t->getPriority()) << c.priority;
    EXPECT_EQ(c.begin, t->getDateTime(1)) << c.priority;
    EXPECT_EQ(c.end, t->getDateTime(0)) << c.priority;
    EXPECT_EQ(c.summary, t->getSummary()) << c.priority;
  }
}

TEST_F(ItemOperationsTest, NewToDoRefusalsCreateNothing) {
  Start(AddToDo("job"));
  Rebuild();  // rows of the normal view carry no day
  unsigned idmax = zolt.getIdmax();
  zolt.setMainViewType(kMainViewCalendar);
  EXPECT_EQ(-1, zolt.newToDo(3, 0));  // a row whose day carries no date
  zolt.setMainViewType(kMainViewActiveJobs);
  Rebuild();
  EXPECT_EQ(-1, zolt.newToDo(3, 0));
  ShowCalendar(Day(2009, 2, 2), 1);
  EXPECT_EQ(-1, zolt.newToDo(3, static_cast<unsigned>(zolt.getRows().size())));
  EXPECT_EQ(-1, zolt.newToDo(7, 0));  // no item takes priority 7
  EXPECT_EQ(idmax, zolt.getIdmax());
  EXPECT_EQ(nullptr, CalendarGroup());
  EXPECT_EQ(1u, zolt.getRoot()->getToDos().size());
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
}

// Fault 2: the overdue block's day is today's packed value minus one, whose day of month
// is 0 on the first of a month; an item made from its closing row is due yesterday.
TEST_F(ItemOperationsTest, OverdueClosingRowMakesAnItemDueYesterday) {
  AddDatedToDo("late", TodayPlus(-3));
  ShowCalendar(getTodayDate(kNoTime), 7);
  int closing = FindRow(kRowClosing, overdueRowDay(getTodayDate(kNoDate)));
  ASSERT_GE(closing, 0);
  ASSERT_EQ(0, zolt.newToDo(3, closing));
  ToDoListToDo* t = zolt.getCurItem();
  EXPECT_EQ(TodayPlus(-1), t->getDateTime(0));
  EXPECT_TRUE(isValidDateTime(t->getDateTime(0)));
}

// ---- delToDo ----

TEST_F(ItemOperationsTest, DelToDoIsRefusedInTheActiveJobsViewWithoutJournal) {
  ToDoListToDo* t = AddToDo("job");
  t->hasBeenSaved(true);
  Start(t);
  zolt.setMainViewType(kMainViewActiveJobs);
  ASSERT_EQ(kMainViewActiveJobs, zolt.getMainViewType());
  EXPECT_EQ(-1, zolt.delToDo());
  EXPECT_EQ(t, zolt.getCurItem());
  EXPECT_EQ(1u, zolt.getRoot()->getToDos().size());
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
  EXPECT_FALSE(fileExists(master + "0"));
}

TEST_F(ItemOperationsTest, DelToDoJournalsOnlyItemsThatWereSaved) {
  AddToDo("never saved");
  ASSERT_EQ(0, zolt.delToDo());
  EXPECT_EQ(nullptr, zolt.getCurItem());
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());

  ToDoListToDo* saved = AddToDo("saved");
  saved->hasBeenSaved(true);
  unsigned sid = saved->getSyncID();
  Start(saved);
  ASSERT_EQ(0, zolt.delToDo());
  EXPECT_TRUE(zolt.getRoot()->getToDos().empty());
  ASSERT_EQ(1, zolt.incsave_getNrOfFiles());
  EXPECT_NE(std::string::npos, Journal(0).find(DeletedRecord(sid)));
  ExpectJobsMatchTree();
}

// The flat view shows to-dos of sub-groups: deleting one of them from the normal view
// must reach its own group, not be refused by the current one after being journalled.
TEST_F(ItemOperationsTest, DelToDoReachesAToDoOfASubGroupInTheFlatView) {
  ToDoListGroup* sub = AddGroup("Sub");
  zolt.setGroup(sub);
  ToDoListToDo* t = AddToDo("deep");
  t->hasBeenSaved(true);
  zolt.setGroup(zolt.getRoot());
  zolt.setOptViewtype(kViewFlat);
  Rebuild();
  ASSERT_EQ(0, zolt.setItem2ViewItem(RowOf(t)));
  ASSERT_EQ(0, zolt.delToDo());
  EXPECT_TRUE(sub->getToDos().empty());
  EXPECT_EQ(1, zolt.incsave_getNrOfFiles());
}

TEST_F(ItemOperationsTest, DelToDoInTheCalendarFindsTheItemsGroup) {
  ToDoListGroup* work = AddGroup("Work");
  zolt.setGroup(work);
  ShowCalendar(Day(2009, 2, 2), 7);
  ASSERT_EQ(0, zolt.newToDo(100, FindRow(kRowHeading, Day(2009, 2, 3) & kDateMask)));
  ToDoListGroup* cal = CalendarGroup();
  ASSERT_EQ(1u, cal->getToDos().size());
  Rebuild();
  ASSERT_EQ(1u, RowsOf(zolt.getCurItem()));
  size_t rowsBefore = zolt.getRows().size();
  ASSERT_EQ(0, zolt.delToDo());
  EXPECT_EQ(rowsBefore - 1, zolt.getRows().size());  // its row is gone with it
  EXPECT_EQ(rowsBefore - 1, zolt.getRowOrder().size());
  EXPECT_TRUE(cal->getToDos().empty());
  EXPECT_EQ(0u, zolt.getCalendar().nrListed());
  EXPECT_EQ(work, zolt.getCurGroup());
}

// ---- delCurGroup ----

TEST_F(ItemOperationsTest, DelCurGroupRefusals) {
  EXPECT_EQ(-1, zolt.delCurGroup());  // the root
  ToDoListGroup* g = AddGroup("Work");
  zolt.setGroup(g);
  zolt.setMainViewType(kMainViewCalendar);
  EXPECT_EQ(-1, zolt.delCurGroup());
  EXPECT_EQ(g, zolt.getCurGroup());
  EXPECT_EQ(1u, zolt.getRoot()->getGroups().size());
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
}

TEST_F(ItemOperationsTest, DelCurGroupDeletesTheSubtreeAndGoesUp) {
  Complete(AddToDo("done in the root"));
  ToDoListGroup* g = AddGroup("Work");
  g->hasBeenSaved(true);
  unsigned sid = g->getSyncID();
  zolt.setGroup(g);
  Start(AddDatedToDo("running", Day(2009, 2, 5)));
  zolt.newGroup();
  Start(AddToDo("deeper job"));
  zolt.setGroup(g);
  EXPECT_FALSE(zolt.checkCompleted());
  Rebuild();
  ASSERT_FALSE(zolt.getRows().empty());
  ASSERT_EQ(0, zolt.delCurGroup());
  EXPECT_TRUE(zolt.getRows().empty());  // they showed the deleted group's content
  EXPECT_TRUE(zolt.getRowItems().empty());
  EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup());
  EXPECT_EQ("/0/", zolt.getCurGroupPath());
  EXPECT_TRUE(zolt.getRoot()->getGroups().empty());
  EXPECT_EQ(nullptr, zolt.getCurItem());  // it lay in the deleted group
  EXPECT_EQ(0u, zolt.getNrActiveJobs());
  EXPECT_EQ(0u, zolt.getCalendar().nrListed());
  EXPECT_TRUE(zolt.getRoot()->isCompleted());  // recomputed
  ASSERT_EQ(1, zolt.incsave_getNrOfFiles());
  EXPECT_NE(std::string::npos, Journal(0).find(DeletedRecord(sid)));
}

// ---- delCompleted ----

TEST_F(ItemOperationsTest, DelCompletedInTheFlatViewReachesSubGroupsAndSparesAppointments) {
  ToDoListToDo* open = AddToDo("open");
  Complete(AddToDo("done here"));
  ToDoListToDo* appointment = AddAppointment("meeting", 100, Day(2009, 2, 3), Day(2009, 2, 3));
  appointment->setCompletedDirect(T_completed{true, 1});
  ToDoListGroup* sub = AddGroup("Sub");
  zolt.setGroup(sub);
  ToDoListToDo* deep = AddToDo("done below");
  deep->hasBeenSaved(true);
  Complete(deep);
  unsigned deepID = deep->getSyncID();
  zolt.setGroup(zolt.getRoot());
  zolt.setOptViewtype(kViewFlat);
  Rebuild();
  ASSERT_EQ(0, zolt.delCompleted());
  ASSERT_EQ(2u, zolt.getRoot()->getToDos().size());
  EXPECT_EQ(open, zolt.getRoot()->getToDos()[0]);
  EXPECT_EQ(appointment, zolt.getRoot()->getToDos()[1]);
  EXPECT_TRUE(sub->getToDos().empty());
  ASSERT_EQ(1, zolt.incsave_getNrOfFiles());  // only the saved one is journalled
  EXPECT_NE(std::string::npos, Journal(0).find(DeletedRecord(deepID)));
  EXPECT_EQ(0u, RowsOf(deep));
}

// Fault 1: in the calendar one to-do stands in a row per shown day. It is deleted and
// journalled once, and no row of it is left pointing at the freed to-do.
TEST_F(ItemOperationsTest, DelCompletedDeletesACalendarToDoOnce) {
  ToDoListToDo* t = AddDatedToDo("three days", Day(2009, 2, 5), Day(2009, 2, 3));
  t->hasBeenSaved(true);
  unsigned sid = t->getSyncID();
  Complete(t);
  AddDatedToDo("open", Day(2009, 2, 4));
  ShowCalendar(Day(2009, 2, 2), 7);
  ASSERT_EQ(3u, RowsOf(t));
  size_t rowsBefore = zolt.getRows().size();
  ASSERT_EQ(0, zolt.delCompleted());
  EXPECT_EQ(1u, zolt.getRoot()->getToDos().size());
  ASSERT_EQ(1, zolt.incsave_getNrOfFiles());
  EXPECT_NE(std::string::npos, Journal(0).find(DeletedRecord(sid)));
  // The view is the old one without the three rows, still parallel and in order.
  EXPECT_EQ(rowsBefore - 3, zolt.getRows().size());
  EXPECT_EQ(zolt.getRows().size(), zolt.getRowItems().size());
  EXPECT_EQ(zolt.getRows().size(), zolt.getRowOrder().size());
  for (size_t n = 1; n < zolt.getRowOrder().size(); ++n) {
    EXPECT_FALSE(zolt.cmpViewDataCal(zolt.getRowOrder()[n - 1], zolt.getRowOrder()[n])) << n;
  }
}

TEST_F(ItemOperationsTest, DelCompletedStopsAtAToDoItCannotFindAndKeepsEarlierDeletions) {
  ToDoListGroup* sub = AddGroup("Sub");
  zolt.setGroup(sub);
  Complete(AddToDo("first"));
  ToDoListToDo* lost = AddToDo("second");
  Complete(lost);
  lost->setPath("/0/99/");  // names no group
  zolt.setGroup(zolt.getRoot());
  zolt.setOptViewtype(kViewFlat);
  Rebuild();
  EXPECT_EQ(-1, zolt.delCompleted());
  ASSERT_EQ(1u, sub->getToDos().size());
  EXPECT_EQ(lost, sub->getToDos()[0]);
}

// ---- turnCurItem2Group ----

TEST_F(ItemOperationsTest, TurnCurItem2GroupKeepsEverythingOfTheToDo) {
  ToDoListGroup* work = AddGroup("Work");
  zolt.setGroup(work);
  ToDoListToDo* old = AddDatedToDo("", Day(2009, 2, 10), Day(2009, 2, 8));
  zolt.setItemSummary("");
  zolt.setItemDescription("notes");
  old->addTime(100, 200);
  old->hasBeenSaved(true);
  Start(old);
  unsigned oldID = old->getSyncID();
  unsigned idmax = zolt.getIdmax();

  ASSERT_EQ(0, zolt.turnCurItem2Group());
  ASSERT_EQ(1u, work->getGroups().size());
  EXPECT_TRUE(work->getToDos().empty());
  ToDoListGroup* g = work->getGroups()[0];
  EXPECT_EQ(g, zolt.getCurGroup());
  EXPECT_EQ(g->fullPath(), zolt.getCurGroupPath());
  EXPECT_EQ("<unnamed>", g->getSummary());
  EXPECT_EQ(idmax + 1, g->getSyncID());
  ASSERT_EQ(1u, g->getToDos().size());
  ToDoListToDo* t = g->getToDos()[0];
  EXPECT_EQ(t, zolt.getCurItem());
  EXPECT_EQ(idmax + 2, t->getSyncID());
  EXPECT_EQ("", t->getSummary());
  const char* text = nullptr;
  ASSERT_EQ(0, zolt.getItemDescription(text));
  EXPECT_STREQ("notes", text);
  ASSERT_EQ(2u, t->getNrTimes());
  EXPECT_EQ(100, t->getTimeBegin(0));
  EXPECT_EQ(200, t->getTimeEnd(0));
  EXPECT_TRUE(t->isRunning());
  EXPECT_EQ(1u, zolt.getNrActiveJobs());
  ExpectJobsMatchTree();
  EXPECT_EQ(Day(2009, 2, 10), t->getDateTime(0));
  EXPECT_EQ(Day(2009, 2, 8), t->getDateTime(1));
  EXPECT_EQ(g->fullPath(), t->getPath());
  ASSERT_EQ(1u, zolt.getCalendar().datedToDos().size());
  EXPECT_EQ(t, zolt.getCalendar().datedToDos().begin()->item);

  ASSERT_EQ(2, zolt.incsave_getNrOfFiles());
  EXPECT_NE(std::string::npos, Journal(1).find(DeletedRecord(oldID)));
  std::string added = Journal(0);
  EXPECT_NE(std::string::npos,
            added.find("<new parent=" + std::to_string(work->getSyncID()) + ">\ng\n"))
      << added;
  EXPECT_NE(std::string::npos, added.find("\ns<unnamed>\n")) << added;
  EXPECT_NE(std::string::npos, added.find("\nt\n")) << added;  // with its to-do
}

TEST_F(ItemOperationsTest, TurnCurItem2GroupNamesTheGroupAfterTheToDo) {
  AddToDo("Plan the trip");
  ASSERT_EQ(0, zolt.turnCurItem2Group());
  EXPECT_EQ("Plan the trip", zolt.getCurGroup()->getSummary());
  EXPECT_EQ("Plan the trip", zolt.getCurItem()->getSummary());
  EXPECT_EQ("Plan the trip", zolt.getCurGroupPathText());
}

// In the flat view the to-do may lie below the current group: the new group takes its
// place there instead of leaving the old to-do beside its copy.
TEST_F(ItemOperationsTest, TurnCurItem2GroupInTheFlatViewReplacesTheToDoInItsOwnGroup) {
  ToDoListGroup* sub = AddGroup("Sub");
  zolt.setGroup(sub);
  ToDoListToDo* t = AddToDo("deep");
  t->hasBeenSaved(true);  // as read from the file: its deletion is journalled
  zolt.setGroup(zolt.getRoot());
  zolt.setOptViewtype(kViewFlat);
  Rebuild();
  ASSERT_EQ(0, zolt.setItem2ViewItem(RowOf(t)));
  ASSERT_EQ(0, zolt.turnCurItem2Group());
  EXPECT_TRUE(sub->getToDos().empty());
  ASSERT_EQ(1u, sub->getGroups().size());
  EXPECT_EQ(sub->getGroups()[0], zolt.getCurGroup());
  EXPECT_EQ("deep", zolt.getCurGroup()->getSummary());
  EXPECT_TRUE(zolt.getRoot()->getToDos().empty());
  EXPECT_EQ(1u, zolt.getRoot()->getGroups().size());
  // The new group is journalled first, the deletion after it: a crash between the two
  // keeps the to-do twice instead of losing it.
  EXPECT_NE(std::string::npos,
            Journal(0).find("<new parent=" + std::to_string(sub->getSyncID()) + ">"));
  EXPECT_NE(std::string::npos, Journal(1).find("<deleted>"));
}

TEST_F(ItemOperationsTest, TurnCurItem2GroupRefusals) {
  EXPECT_EQ(-1, zolt.turnCurItem2Group());  // no current item
  ToDoListToDo* t = AddToDo("task");
  zolt.setMainViewType(kMainViewCalendar);
  EXPECT_EQ(-1, zolt.turnCurItem2Group());
  EXPECT_EQ(t, zolt.getRoot()->getToDos()[0]);
  EXPECT_TRUE(zolt.getRoot()->getGroups().empty());
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
}

// Fault 3: the count of active jobs equals the running to-dos of the tree after every
// operation that copies, completes or deletes them.
TEST_F(ItemOperationsTest, ActiveJobsMatchTheTreeThroughEveryOperation) {
  ToDoListGroup* g = AddGroup("Work");
  zolt.setGroup(g);
  ToDoListToDo* a = AddToDo("a");
  ToDoListToDo* b = AddToDo("b");
  ToDoListToDo* c = AddToDo("c");
  ToDoListToDo* d = AddToDo("d");
  for (ToDoListToDo* t : {a, b, c, d}) Start(t);
  ExpectJobsMatchTree();
  zolt.setItem(a);
  ASSERT_EQ(0, zolt.turnCurItem2Group());  // copied, then the original deleted
  ExpectJobsMatchTree();
  zolt.setGroup(g);
  Complete(b);
  ExpectJobsMatchTree();
  zolt.setItem(c);
  ASSERT_EQ(0, zolt.delToDo());
  ExpectJobsMatchTree();
  d->setCompletedDirect(T_completed{true, 1});  // completed while running, as a file may say
  Rebuild();
  ASSERT_EQ(0, zolt.delCompleted());
  ExpectJobsMatchTree();
  EXPECT_EQ(1u, zolt.getNrActiveJobs());  // the copy of a, one level down
  ASSERT_EQ(0, zolt.delCurGroup());
  ExpectJobsMatchTree();
  EXPECT_EQ(0u, zolt.getNrActiveJobs());
}
