#include <gtest/gtest.h>

#include <string>

#include "calendar/calendar_lists.h"
#include "crypt/descr_data.h"
#include "document/view_data.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"

TEST(ToDoViewDataTest, TextFromSummaryOrDescription) {
  const struct {
    const char* input;
    std::string summary;
    const char* description;
    std::string text;
  } kCases[] = {
      {"summary wins", "Call Bob", "ignored", "Call Bob"},
      {"long description is cut to 25 and marked", "",
       "\n\tBuy milk and bread and butter and cheese", "Buy milk and bread and bu..."},
      {"exactly 25 characters are marked too", "", "abcdefghijklmnopqrstuvwxy",
       "abcdefghijklmnopqrstuvwxy..."},
      {"24 characters stay", "", "abcdefghijklmnopqrstuvwx", "abcdefghijklmnopqrstuvwx"},
      {"line feeds and tabs become blanks", "", "a\nb\tc", "a b c"},
      {"only white space gives nothing", "", " \t\n \n", ""},
      {"no description gives nothing", "", nullptr, ""},
  };
  for (const auto& c : kCases) {
    ToDoListToDo t(0, "/0/");
    t.setSummary(c.summary);
    t.setDescription(c.description);
    T_viewDataItem row;
    t.setViewData(row, nullptr);
    EXPECT_EQ(c.text, row.text) << c.input;
  }
}

TEST(ToDoViewDataTest, EncryptedDescriptionWithoutKeys) {
  ToDoListToDo t(0, "/0/");
  t.setSummary("");
  DescrData secret;
  secret.SetNewChar("ciphertext stands in here");
  secret.setFlags(kDescrEncrypted);
  t.setDescription(&secret);
  T_viewDataItem row;
  t.setViewData(row, nullptr);
  EXPECT_EQ("<encrypted>", row.text);
}

TEST(ToDoViewDataTest, DatesByKindAndCalendarFieldsUntouched) {
  const struct {
    const char* input;
    unsigned priority;
    unsigned date, secondDate;
  } kCases[] = {
      {"to-do: end first", 3, D(2009, 2, 5), DT(2009, 2, 3, 9, 0)},
      {"busy appointment: begin first", 100, DT(2009, 2, 3, 9, 0), D(2009, 2, 5)},
      {"free appointment: begin first", 200, DT(2009, 2, 3, 9, 0), D(2009, 2, 5)},
  };
  for (const auto& c : kCases) {
    T_Calendar cal;
    ToDoFields f;
    f.priority = c.priority;
    f.begin = DT(2009, 2, 3, 9, 0);
    f.end = D(2009, 2, 5);
    auto t = readToDo(f, cal, "Item");
    ASSERT_NE(nullptr, t) << c.input;
    if (c.priority < 7) {
      ASSERT_EQ(0, t->setCompleted(cal)) << c.input;
    }
    T_viewDataItem row;
    row.isGroup = true;
    row.day = D(2009, 2, 4);
    row.firstDay = true;
    row.lastDay = true;
    t->setViewData(row, nullptr);
    EXPECT_FALSE(row.isGroup) << c.input;
    EXPECT_EQ(c.priority, row.priority) << c.input;
    EXPECT_EQ("Item", row.text) << c.input;
    EXPECT_EQ(c.priority < 7, row.completed) << c.input;
    EXPECT_EQ(c.date, row.date) << c.input;
    EXPECT_EQ(c.secondDate, row.secondDate) << c.input;
    EXPECT_EQ(D(2009, 2, 4), row.day) << c.input;
    EXPECT_TRUE(row.firstDay && row.lastDay) << c.input;
  }
}

TEST(GroupViewDataTest, GroupRow) {
  ToDoListGroup root(0, "/", 0);
  ToDoListGroup* g = root.newGroup();
  g->setSummary("Work");
  g->setPriority(2);
  g->newToDo();
  root.checkCompleted();
  T_viewDataItem row;
  row.date = D(2009, 2, 5);
  g->setViewData(row);
  EXPECT_TRUE(row.isGroup);
  EXPECT_EQ(2u, row.priority);
  EXPECT_EQ("Work", row.text);
  EXPECT_EQ(kEmptyDateTime, row.date);
  EXPECT_FALSE(row.completed);  // its to-do is open

  ToDoListGroup* done = root.newGroup();
  root.checkCompleted();
  done->setViewData(row);
  EXPECT_FALSE(row.completed) << "an empty group is not done";
  done->newToDo()->setCompletedDirect(T_completed{true, 100});
  root.checkCompleted();
  done->setViewData(row);
  EXPECT_TRUE(row.completed);
}
