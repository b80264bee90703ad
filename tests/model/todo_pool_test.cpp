#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "model/todo_list_group.h"

// To-dos come from blocks of their own: many of them, across several blocks, must be
// distinct, aligned and whole, and deleting through any pointer type gives them back.
TEST(ToDoPoolTest, ManyToDosAreDistinctAlignedAndKeepTheirFields) {
  constexpr int kCount = 30000;  // about three blocks
  std::vector<std::unique_ptr<ToDoListToDo>> todos;
  std::set<const void*> seen;
  for (int i = 0; i < kCount; ++i) {
    todos.push_back(std::make_unique<ToDoListToDo>(static_cast<unsigned>(i), "/0/"));
    todos.back()->setSummary("item " + std::to_string(i));
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(todos.back().get()) % alignof(ToDoListToDo));
    EXPECT_TRUE(seen.insert(todos.back().get()).second);
  }
  for (int i = 0; i < kCount; i += 997) {
    EXPECT_EQ(static_cast<unsigned>(i), todos[i]->getID());
    EXPECT_EQ("item " + std::to_string(i), todos[i]->getSummary());
  }
}

TEST(ToDoPoolTest, DeletedToDosThroughTheBaseAndTheGroupAreReused) {
  ToDoListGroup root(0, "/", 0);
  for (int i = 0; i < 100; ++i) root.newToDo()->setSummary("t" + std::to_string(i));
  unsigned jobs = 0;
  T_Calendar cal;
  ToDoListToDo* first = root.getToDos().front();
  ASSERT_EQ(0, root.delToDo(first, jobs, cal));
  ToDoListItem* asItem = new ToDoListToDo(7, "/0/");
  delete asItem;
  // A new to-do fills a freed place and starts from its own defaults.
  ToDoListToDo* again = root.newToDo();
  EXPECT_EQ("<unnamed>", again->getSummary());
  EXPECT_FALSE(again->isCompleted());
  EXPECT_EQ(100u, root.getToDos().size());
  EXPECT_EQ("t1", root.getToDos().front()->getSummary());
}
