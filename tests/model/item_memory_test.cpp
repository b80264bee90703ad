// What keeps a loaded to-do small must not change what it holds: the working times held
// out of line, and the group path shared by all children of a group.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/todo_list_group.h"
#include "model/working_times.h"

namespace {

std::vector<T_workingTimes> entriesOf(const WorkingTimes& w) {
  std::vector<T_workingTimes> v;
  for (size_t i = 0; i < w.size(); ++i) v.push_back(w[i]);
  return v;
}

TEST(WorkingTimesTest, GrowsCopiesAndComparesLikeAVector) {
  for (int count : {0, 1, 2, 3, 17, 1000}) {
    WorkingTimes w;
    std::vector<T_workingTimes> want;
    for (int i = 0; i < count; ++i) {
      w.push_back(T_workingTimes{i, 2 * i + 1});
      want.push_back(T_workingTimes{i, 2 * i + 1});
    }
    ASSERT_EQ(want.size(), w.size()) << count;
    EXPECT_EQ(count == 0, w.empty());
    std::vector<T_workingTimes> got = entriesOf(w);
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(want[i].begin, got[i].begin) << count << " " << i;
      EXPECT_EQ(want[i].end, got[i].end) << count << " " << i;
    }
    WorkingTimes copy(w);
    EXPECT_TRUE(copy == w) << count;
    WorkingTimes assigned;
    assigned.push_back(T_workingTimes{7, 8});
    assigned = w;
    EXPECT_TRUE(assigned == w) << count;
    if (count > 0) {
      copy.back().end = -5;  // the copy has bytes of its own
      EXPECT_FALSE(copy == w) << count;
      EXPECT_EQ(2 * (count - 1) + 1, w[w.size() - 1].end) << count;
    }
    w = w;  // NOLINT: assigning to itself keeps the entries
    EXPECT_EQ(static_cast<size_t>(count), w.size());
  }
}

TEST(ItemPathTest, ChildrenShareTheirGroupsPathAndKeepItsValue) {
  std::istringstream is("t\nsa\n>\nt\nsb\n>\ng\nsinner\nt\nsc\n>\n>\n>\n");
  ToDoListGroup root(0, "/", 0);
  T_Calendar cal;
  unsigned jobs = 0, idmax = 0;
  ASSERT_EQ(0, root.readContent(is, jobs, idmax, cal));
  ASSERT_EQ(2u, root.getToDos().size());
  ASSERT_EQ(1u, root.getGroups().size());
  const ToDoListGroup* inner = root.getGroups()[0];
  EXPECT_EQ("/0/", root.getToDos()[0]->getPath());
  EXPECT_EQ("/0/", inner->getPath());
  EXPECT_EQ("/0/2/", inner->getToDos()[0]->getPath());
  // One string for all children of a group, also for those made later.
  EXPECT_EQ(&root.getToDos()[0]->getPath(), &root.getToDos()[1]->getPath());
  EXPECT_EQ(&root.getToDos()[0]->getPath(), &root.newToDo()->getPath());
  // A path set by hand is the value given, whatever the others share.
  ToDoListToDo* moved = root.getToDos()[1];
  moved->setPath("/0/2/");
  EXPECT_EQ("/0/2/", moved->getPath());
  EXPECT_EQ("/0/", root.getToDos()[0]->getPath());
  ToDoListToDo copy(*moved);
  EXPECT_EQ("/0/2/", copy.getPath());
  EXPECT_TRUE(copy == *moved);
  copy.setPath("/0/");
  EXPECT_FALSE(copy == *moved);
}

}  // namespace
