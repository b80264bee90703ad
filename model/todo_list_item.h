// The base of the item tree: what groups and to-dos have in common.
// Two numbering schemes: `id` is local to the parent and renumbered on every load (paths
// such as /0/12/ are built from it); `syncID` is unique in the tree, stored in the files
// and never reused. GUI thread only.
#ifndef ZOLT_MODEL_TODO_LIST_ITEM_H_
#define ZOLT_MODEL_TODO_LIST_ITEM_H_

#include <ostream>
#include <string>

constexpr unsigned kDefaultPriority = 3;
constexpr unsigned kBusyPriority = 100;  // appointment shown as busy time
constexpr unsigned kFreePriority = 200;  // appointment shown as free time
// Largest synchronisation identifier accepted from a file: far beyond any real count and
// far from 2^32, so the counter never wraps to 0, which means "none".
constexpr unsigned kMaxSyncID = 0x7FFFFFFFu;

// Line feeds and carriage returns would break the line-oriented record grammar, so names
// keep every other byte but have those two replaced by blanks.
std::string sanitizeName(std::string name);

// The one copy of `path` that every item with that path points at: a group's children all
// share their parent's path, so a million to-dos hold a handful of strings. The copies
// stay until the process ends (there are only as many as paths ever given out).
const std::string* internPath(const std::string& path);

class ToDoListItem {
 public:
  ToDoListItem(unsigned id, const std::string& path) : ToDoListItem(id, internPath(path)) {}
  // `path` is one internPath gave out.
  ToDoListItem(unsigned id, const std::string* path) : path(path), id(id) {}
  // Copies nothing: the subclasses copy what they need.
  ToDoListItem(const ToDoListItem&) : ToDoListItem(0, std::string()) {}
  ToDoListItem& operator=(const ToDoListItem&) = delete;
  virtual ~ToDoListItem() = default;

  // Hooks kept from the original class design; the real readers and writers take more
  // arguments and live in the subclasses.
  virtual int writeContent(std::ostream&) { return 0; }
  virtual void dump() {}

  unsigned getID() const { return id; }
  void setID(unsigned v) { id = v; }
  unsigned getSyncID() const { return syncID; }
  void setSyncID(unsigned v) { syncID = v; }
  unsigned getPriority() const { return priority; }
  // Plain store, no check; to-dos use the form that keeps the calendar right.
  void setPriority(unsigned p) { priority = p; }
  const std::string& getSummary() const { return summary; }
  void setSummary(std::string s) { summary = sanitizeName(std::move(s)); }
  // The full path of the parent group, for example /0/12/ (the root has "/").
  const std::string& getPath() const { return *path; }
  void setPath(const std::string& p) { path = internPath(p); }
  bool hasBeenSaved() const { return saved; }
  void hasBeenSaved(bool v) { saved = v; }

 protected:
  // Copies path, id, syncID, summary and priority (used by the subclasses' copies).
  void copyBaseFrom(const ToDoListItem& o);
  bool baseEquals(const ToDoListItem& o) const;

  const std::string* path;  // interned, not owned
  unsigned id;
  unsigned syncID = 0;
  std::string summary = "<unnamed>";
  unsigned priority = kDefaultPriority;
  bool saved = false;
};

#endif  // ZOLT_MODEL_TODO_LIST_ITEM_H_
