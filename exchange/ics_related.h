// Subtasks as Zolt's groups. iCalendar ties a subtask to its parent with RELATED-TO (the
// parent's UID); Zolt's to-dos hold no children, so a to-do with subtasks in the file
// becomes a group of its name that holds it and its subtasks, and so on down.
#ifndef ZOLT_EXCHANGE_ICS_RELATED_H_
#define ZOLT_EXCHANGE_ICS_RELATED_H_

#include <libical/ical.h>

#include <map>
#include <vector>

// Chains of subtasks deeper than this are cut: the deeper ones go into the group of the
// item at this depth.
constexpr size_t kMaxSubtaskDepth = 32;

struct T_IcsRelations {
  // For each item below a parent or with subtasks: the items whose names make its group
  // path below the topmost one's own group, topmost first, the item itself last when it
  // has subtasks. Items outside every such tree have no entry. Pointers not owned.
  std::map<icalcomponent*, std::vector<icalcomponent*>> chains;
  int parentNotInFile = 0;  // items whose parent is not in the file, or is one of its subtasks
  int otherRelation = 0;    // items related otherwise (a sibling, a child named by the parent)
};

// The relations among `items` (the VEVENTs and VTODOs of the file; not owned).
T_IcsRelations relationsOf(const std::vector<icalcomponent*>& items);

#endif  // ZOLT_EXCHANGE_ICS_RELATED_H_
