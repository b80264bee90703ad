// A batch of the calendar lists places its dated entries exactly where placing them one by
// one would have: the oracle is a second calendar given the same changes without a batch.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "calendar/calendar_lists.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"

namespace {

using ToDos = std::vector<std::unique_ptr<ToDoListToDo>>;

// `count` to-dos of the three dated kinds with dates from a few days only, so that many
// keys are equal; the same seed gives the same to-dos. None is listed.
ToDos makeToDos(int count, unsigned seed) {
  static const unsigned kPriorities[] = {3, kBusyPriority, kFreePriority};
  std::mt19937 random(seed);
  T_Calendar scratch;
  ToDos todos;
  for (int i = 0; i < count; ++i) {
    auto t = std::make_unique<ToDoListToDo>(static_cast<unsigned>(i), "/0/");
    unsigned day = D(2009, 2, 1 + static_cast<int>(random() % 5));
    EXPECT_EQ(0, t->setPriority(kPriorities[random() % 3], scratch));
    for (int which : {1, 0}) {
      EXPECT_EQ(0, t->setDateDontCheck(which, packedYear(day), packedMonth(day), packedDay(day),
                                       scratch));
    }
    t->removeFromCalLists(scratch);
    todos.push_back(std::move(t));
  }
  return todos;
}

// One change: the to-do with index `item` enters its list, or (when `leave`) leaves it.
struct Change {
  int item;
  bool leave;
};

void apply(const std::vector<Change>& changes, ToDos& todos, T_Calendar& cal) {
  for (const Change& c : changes) {
    if (c.leave) {
      todos[c.item]->removeFromCalLists(cal);
    } else {
      todos[c.item]->putIntoCalList(cal);
    }
  }
}

// The list as to-do ids, after checking that every entry knows where it stands.
std::vector<unsigned> idsOf(const T_DatedCalList& list, const T_Calendar& cal, CalList which) {
  std::vector<unsigned> ids;
  for (const T_DatedCalListItem& e : list) {
    EXPECT_EQ(&cal, e.item->getListingCalendar());
    EXPECT_EQ(which, e.item->getCalList());
    ids.push_back(e.item->getID());
  }
  return ids;
}

void expectSameLists(const T_Calendar& got, const T_Calendar& want, const char* input) {
  EXPECT_EQ(idsOf(want.datedToDos(), want, CalList::kDatedToDos),
            idsOf(got.datedToDos(), got, CalList::kDatedToDos))
      << input;
  EXPECT_EQ(idsOf(want.datedBusy(), want, CalList::kDatedBusy),
            idsOf(got.datedBusy(), got, CalList::kDatedBusy))
      << input;
  EXPECT_EQ(idsOf(want.datedFree(), want, CalList::kDatedFree),
            idsOf(got.datedFree(), got, CalList::kDatedFree))
      << input;
}

TEST(CalendarBatchTest, PlacesEntriesAsOneByOneWould) {
  static const struct {
    const char* input;
    int before;      // to-dos placed before the batch
    int inBatch;     // to-dos entering during the batch
    int leaveEvery;  // every n-th of those leaves again during the batch (0: none)
    bool nested;
  } kCases[] = {
      {"empty calendar", 0, 3000, 0, false},
      {"merged with entries of equal keys", 400, 600, 0, false},
      {"a few into a long list", 3000, 20, 0, false},
      {"some leave and re-enter during the batch", 100, 900, 7, false},
      {"nested batches place once", 50, 500, 0, true},
  };
  for (const auto& c : kCases) {
    int total = c.before + c.inBatch;
    ToDos batchedToDos = makeToDos(total, 2009), oracleToDos = makeToDos(total, 2009);
    std::vector<Change> before, during;
    for (int i = 0; i < c.before; ++i) before.push_back({i, false});
    for (int i = c.before; i < total; ++i) {
      during.push_back({i, false});
      if (c.leaveEvery > 0 && i % c.leaveEvery == 0) during.push_back({i, true});
      if (c.leaveEvery > 0 && i % (3 * c.leaveEvery) == 0) during.push_back({i, false});
    }
    T_Calendar batched, oracle;
    apply(before, batchedToDos, batched);
    apply(before, oracleToDos, oracle);
    batched.beginBatch();
    if (c.nested) batched.beginBatch();
    apply(during, batchedToDos, batched);
    if (c.nested) {
      batched.endBatch();
      EXPECT_EQ(static_cast<size_t>(c.before), batched.nrListed()) << c.input;
    }
    batched.endBatch();
    apply(during, oracleToDos, oracle);
    expectSameLists(batched, oracle, c.input);
    EXPECT_EQ(oracle.nrListed(), batched.nrListed()) << c.input;
    // Every entry can leave through the place its to-do remembers.
    for (auto& t : batchedToDos) t->removeFromCalLists(batched);
    EXPECT_EQ(0u, batched.nrListed()) << c.input;
  }
}

// A group record with a damaged child: the child's to-dos leave the lists again, and the
// to-dos read before it are listed as reading them one by one would list them.
TEST(CalendarBatchTest, DamagedGroupRecordLeavesNothingBehind) {
  std::ostringstream file;
  for (int i = 0; i < 5; ++i) {
    file << "t\nsbefore " << i << "\nn" << D(2009, 2, 1 + i % 2) << "\n>\n";
  }
  file << "g\nsdamaged\nt\nsinside\nn" << D(2009, 2, 1) << "\n>\nt\nsunclosed\nn" << D(2009, 2, 2)
       << "\n";
  ToDoListGroup group(0, "/", 0);
  T_Calendar cal;
  unsigned jobs = 0, idmax = 0;
  std::istringstream is(file.str());
  EXPECT_EQ(-1, group.readContent(is, jobs, idmax, cal));
  ASSERT_EQ(5u, cal.nrListed());
  std::vector<std::string> order;
  for (const T_DatedCalListItem& e : cal.datedToDos()) order.push_back(e.item->getSummary());
  EXPECT_EQ((std::vector<std::string>{"before 4", "before 2", "before 0", "before 3", "before 1"}),
            order);
}

}  // namespace
