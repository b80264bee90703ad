#include "model/todo_list_item.h"

#include <unordered_set>

std::string sanitizeName(std::string name) {
  for (char& c : name) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return name;
}

const std::string* internPath(const std::string& path) {
  // Set nodes never move, so the pointers handed out stay valid. Reachable until the end,
  // so a leak checker does not count the set.
  static auto* paths = new std::unordered_set<std::string>();
  return &*paths->insert(path).first;
}

void ToDoListItem::copyBaseFrom(const ToDoListItem& o) {
  path = o.path;
  id = o.id;
  syncID = o.syncID;
  summary = o.summary;
  priority = o.priority;
}

bool ToDoListItem::baseEquals(const ToDoListItem& o) const {
  return *path == *o.path && id == o.id && syncID == o.syncID && summary == o.summary &&
         priority == o.priority;
}
