#include "model/todo_list_item.h"

std::string sanitizeName(std::string name) {
  for (char& c : name) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return name;
}

ToDoListItem::ToDoListItem(unsigned id, std::string path) : path(std::move(path)), id(id) {}

void ToDoListItem::copyBaseFrom(const ToDoListItem& o) {
  path = o.path;
  id = o.id;
  syncID = o.syncID;
  summary = o.summary;
  priority = o.priority;
}

bool ToDoListItem::baseEquals(const ToDoListItem& o) const {
  return path == o.path && id == o.id && syncID == o.syncID && summary == o.summary &&
         priority == o.priority;
}
