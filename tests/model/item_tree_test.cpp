#include <gtest/gtest.h>

#include <vector>

#include "model/todo_list_group.h"

// The item tree on its own: identifiers, paths, lookups, completion and time recording.
class ItemTreeTest : public ::testing::Test {
 protected:
  ToDoListGroup root{0, "/", 0};
  T_Calendar cal;
  unsigned jobs = 0;
};

TEST_F(ItemTreeTest, FreeIdentifiersFollowTheLargest) {
  EXPECT_EQ(0u, root.findFreeID());
  std::vector<ToDoListToDo*> t;
  for (int i = 0; i < 6; ++i) t.push_back(root.newToDo());
  for (int i : {2, 3, 4}) ASSERT_EQ(0, root.delToDo(t[i], jobs, cal));
  EXPECT_EQ(6u, root.findFreeID());  // children 0, 1 and 5
  ASSERT_EQ(0, root.delToDo(t[5], jobs, cal));
  EXPECT_EQ(2u, root.findFreeID());
  ToDoListGroup* g = root.newGroup();
  EXPECT_EQ(2u, g->getID());
  EXPECT_EQ(3u, root.findFreeID());
}

TEST_F(ItemTreeTest, PathsAndLookups) {
  ToDoListGroup* work = root.newGroup();
  EXPECT_EQ("/0/", work->getPath());
  EXPECT_EQ("/0/0/", work->fullPath());
  EXPECT_EQ(1u, work->getLevel());
  ToDoListGroup* mail = work->newGroup();
  work->setSummary("Work");
  mail->setSummary("Mail");
  ToDoListToDo* t = mail->newToDo();
  EXPECT_EQ("/0/0/0/", t->getPath());

  EXPECT_EQ(&root, root.getGroupPtr("/0/"));
  EXPECT_EQ(mail, root.getGroupPtr("/0/0/0/"));
  EXPECT_EQ(nullptr, root.getGroupPtr("/0/7/"));
  EXPECT_EQ("", root.getPathText("0"));
  EXPECT_EQ("Work\nMail", root.getPathText("0/0/0").substr(0, 9));
  EXPECT_EQ(mail, root.getGroupPtrFromSumPath("/", "/<unnamed>/Work/Mail/"));
  EXPECT_EQ(nullptr, root.getGroupPtrFromSumPath("/", "/<unnamed>/Mail/"));

  root.setSyncID(1);
  work->setSyncID(2);
  mail->setSyncID(3);
  t->setSyncID(4);
  bool isGroup = true;
  EXPECT_EQ(t, root.getPtrToItemWithSyncID(4, isGroup, true));
  EXPECT_FALSE(isGroup);
  EXPECT_EQ(nullptr, root.getPtrToItemWithSyncID(4, isGroup, false));
  EXPECT_EQ(mail, root.getPtrToItemWithSyncID(3, isGroup, true));
  EXPECT_TRUE(isGroup);

  unsigned noJobs = 0;
  work->delGroup(mail, noJobs, cal);
  EXPECT_EQ(nullptr, root.getGroupPtr("/0/0/0/"));
}

TEST_F(ItemTreeTest, CompletionCountsSkipAppointments) {
  ToDoListGroup* g = root.newGroup();
  ToDoListToDo* busy = g->newToDo();
  busy->setPriority(kBusyPriority, cal);
  EXPECT_FALSE(root.checkCompleted()) << "no to-do at all is nothing done";
  unsigned done = 9, counted = 9;
  g->getCompletedNr(done, counted);
  EXPECT_EQ(0u, done);
  EXPECT_EQ(0u, counted);

  ToDoListToDo* open = root.newToDo();
  ToDoListToDo* finished = g->newToDo();
  finished->setCompletedDirect(T_completed{true, 100});
  EXPECT_FALSE(root.checkCompleted());
  root.getCompletedNr(done, counted);
  EXPECT_EQ(1u, done);
  EXPECT_EQ(2u, counted);
  EXPECT_TRUE(g->isCompleted());
  EXPECT_EQ(0, finished->clearCompleted());
  EXPECT_EQ(-2, finished->clearCompleted());
  EXPECT_EQ(-2, busy->clearCompleted());
  (void)open;
}

TEST_F(ItemTreeTest, TimeRecording) {
  ToDoListToDo* t = root.newToDo();
  t->addTime(100, 160);
  t->addTime(200, 230);
  EXPECT_EQ(-1, t->setRunning(false));
  ASSERT_EQ(0, t->setRunning(true));
  EXPECT_EQ(-1, t->setRunning(true));
  EXPECT_EQ(3u, t->getNrTimes());
  EXPECT_EQ(t->getTimeBegin(2), t->getTimeEnd(2));
  EXPECT_DOUBLE_EQ(90.0, t->getTimeSum());
  EXPECT_EQ(1u, root.getNrActiveJobs());
  ASSERT_EQ(0, t->setRunning(false));
  EXPECT_GE(t->getTimeEnd(2), t->getTimeBegin(2));
  EXPECT_EQ(0u, root.getNrActiveJobs());
}

TEST_F(ItemTreeTest, DeletingRunningToDosAdjustsTheCount) {
  ToDoListGroup* g = root.newGroup();
  ToDoListToDo* a = g->newToDo();
  ToDoListToDo* b = g->newGroup()->newToDo();
  ASSERT_EQ(0, a->setRunning(true));
  ASSERT_EQ(0, b->setRunning(true));
  unsigned count = 2;
  ToDoListGroup other(0, "/", 0);
  ToDoListToDo* stranger = other.newToDo();
  EXPECT_EQ(-1, root.delToDo(stranger, count, cal));
  root.delGroup(g, count, cal);
  EXPECT_EQ(0u, count);
}

TEST_F(ItemTreeTest, EqualityAndCopies) {
  ToDoListToDo* a = root.newToDo();
  a->addTime(1, 2);
  a->setDescription("note");
  ToDoListToDo copy(*a);
  EXPECT_TRUE(copy == *a);
  EXPECT_FALSE(copy.hasBeenSaved());

  ToDoListToDo otherEnd(*a);
  otherEnd.addTime(3, 4);
  EXPECT_TRUE(otherEnd != *a);
  T_recData r;
  a->getRecData(r);
  r.interval = 2;
  ToDoListToDo otherInterval(*a);
  otherInterval.setRecData(r, cal);
  EXPECT_TRUE(otherInterval != *a);

  ToDoListGroup* g = root.newGroup();
  g->newToDo();
  ToDoListGroup groupCopy(*g);
  EXPECT_TRUE(groupCopy == *g);
  EXPECT_TRUE(groupCopy.getToDos().empty());
  groupCopy.setSummary("renamed");
  EXPECT_TRUE(groupCopy != *g);
}
