// The document's state, navigation, options and the operations it forwards to the current
// item and group. Item operations live in item_operations.cpp, view building in
// view_builder.cpp and calendar_view.cpp, the data file in store/.
#include "document/zolt.h"

#include "document/calendar_lines.h"
#include "store/text_util.h"

Zolt::Zolt() : specialDays(new SpecialDays()) {
  calendar.firstDay = getTodayDate(kNoTime);
  calendar.span = 7;
}

Zolt::~Zolt() {
  delete rememberedTodo;
  delete rememberedGroup;
  calendar.unlistAll();  // the whole tree goes: no to-do needs to leave its list alone
  delete root;
}

int Zolt::createRoot() {
  delete root;
  root = new ToDoListGroup(0, "/", 0);
  curGroup = root;
  curGroupPath = "/0/";
  curItem = nullptr;
  prevGroup = nullptr;
  preSearchGroup = nullptr;
  searchGroup = nullptr;
  return 0;
}

// ---- Position in the tree ----

void Zolt::setGroup(ToDoListGroup* g) {
  curGroup = g;
  curGroupPath = g->getPath() + itoStr(g->getID(), ' ', 0, true) + "/";
}

int Zolt::setGroup2ViewItem(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rowCount()) return -1;
  if (!rowAt(row).isGroup || itemAt(row) == nullptr) return -1;
  setGroup(static_cast<ToDoListGroup*>(itemAt(row)));
  return 0;
}

int Zolt::setItem2ViewItem(int row) {
  if (row < 0 || static_cast<size_t>(row) >= rowCount()) return -1;
  if (rowAt(row).isGroup || itemAt(row) == nullptr) return -1;
  curItem = static_cast<ToDoListToDo*>(itemAt(row));
  return 0;
}

void Zolt::pushListPosition(int firstLine, int selected) {
  oldPosInList.push_back(firstLine);
  selectedLine.push_back(selected);
}

bool Zolt::popListPosition(int& firstLine, int& selected) {
  firstLine = 0;
  selected = 0;
  if (oldPosInList.empty()) return false;
  firstLine = oldPosInList.back();
  oldPosInList.pop_back();
  // The two stacks grow together, except that a data file carries only the first lines.
  if (!selectedLine.empty()) {
    selected = selectedLine.back();
    selectedLine.pop_back();
  }
  return true;
}

void Zolt::clearListPositions() {
  oldPosInList.clear();
  selectedLine.clear();
}

int Zolt::leaveCurGroup() {
  if (options.mainViewType == kMainViewSearch) {
    if (searchGroup != nullptr) {
      // A position remembered inside the results group would point at freed memory.
      forgetPositionsBelow(searchGroup->fullPath());
      root->delGroup(searchGroup, nrActiveJobs, calendar);
    }
    searchGroup = nullptr;
    if (preSearchGroup != nullptr) {
      curGroup = preSearchGroup;
      curGroupPath = preSearchGroupPath;
    }
    options.mainViewType = kMainViewNormal;
    return 0;
  }
  if (curGroup == root || options.mainViewType != kMainViewNormal) return -1;
  // Dropping the closing "/" and then the group's own id leaves the parent's path.
  std::string path = curGroupPath;
  path.pop_back();
  while (!path.empty() && path.back() != '/') path.pop_back();
  ToDoListGroup* parent = root->getGroupPtr(path);
  if (parent == nullptr) return -1;
  curGroup = parent;
  curGroupPath = path;
  return 0;
}

void Zolt::rememberGroup() {
  prevGroupPath = curGroupPath;
  prevGroup = curGroup;
}

void Zolt::rememberGroupOfCurrentItem() {
  if (curItem == nullptr) return;
  ToDoListGroup* g = root->getGroupPtr(curItem->getPath());
  if (g == nullptr) return;
  prevGroupPath = curItem->getPath();
  prevGroup = g;
}

void Zolt::enterPrevGroup() {
  if (prevGroup == nullptr) return;
  curGroupPath = prevGroupPath;
  curGroup = prevGroup;
}

bool Zolt::inRootGroup() const {
  return curGroup == root || options.mainViewType == kMainViewActiveJobs;
}

std::string Zolt::getCurGroupPathText() const {
  if (options.mainViewType == kMainViewActiveJobs) return "Active jobs";
  if (curGroupPath.size() < 2) return std::string();
  return root->getPathText(curGroupPath.substr(1, curGroupPath.size() - 2));
}

int Zolt::setMainViewType(int v) {
  int result = v != options.mainViewType ? 0 : -1;
  if (v == kMainViewActiveJobs) {
    options.prevMainViewType = options.mainViewType;
    if (nrActiveJobs != 0) options.mainViewType = kMainViewActiveJobs;
  } else if (v == kMainViewPrevious) {
    options.mainViewType = options.prevMainViewType;
  } else {
    options.mainViewType = v;
  }
  return result;
}

// ---- Options and per-group view flags ----

int Zolt::setOptViewtype(t_viewtype t) {
  options.viewtype = t;
  return 0;
}

int Zolt::setOptShowCompleted(bool on) {
  options.showCompleted = on;
  return 0;
}

int Zolt::setOptCompletedLast(bool on) {
  options.completedLast = on;
  return 0;
}

int Zolt::setOptShowKbd(bool on) {
  options.showKbd = on;
  return 0;
}

// The flags are stored in the group's record: a change of them is journalled at once, as
// any change of the group (a failed write reports itself).
bool Zolt::toggleGroupShowCompleted() {
  curGroup->setShowCompleted(!curGroup->getShowCompleted());
  (void)incsave_saveGroupFlags();
  return curGroup->getShowCompleted();
}

bool Zolt::toggleGroupCompletedLast() {
  curGroup->setCompletedLast(!curGroup->getCompletedLast());
  (void)incsave_saveGroupFlags();
  return curGroup->getCompletedLast();
}

void Zolt::windowSize(unsigned& w, unsigned& h) {
  if (w != 0) {
    winWidth = w;
    winHeight = h;
  } else {
    w = winWidth;
    h = winHeight;
  }
}

// ---- Forwarding to the current item ----

std::string Zolt::getItemSummary() const {
  return curItem != nullptr ? curItem->getSummary() : std::string();
}

void Zolt::setItemSummary(const std::string& s) {
  if (curItem != nullptr) curItem->setSummary(s);
}

int Zolt::getItemDescription(const char*& text) {
  text = nullptr;
  if (curItem == nullptr) return -1;
  int result = curItem->GetDescription(text, &keys);
  if (result != 0) return result;
  return text == nullptr ? -1 : 0;
}

int Zolt::openItemDescriptionAnyway() {
  return curItem != nullptr ? curItem->OpenDescriptionAnyway(&keys) : -1;
}

void Zolt::setItemDescription(const char* text) {
  if (curItem != nullptr) curItem->setDescription(text);
}

unsigned Zolt::getItemPriority() const { return curItem != nullptr ? curItem->getPriority() : 0; }

int Zolt::setItemPriority(unsigned p) {
  return curItem != nullptr ? curItem->setPriority(p, calendar) : -1;
}

int Zolt::getShowTimeAs() const { return curItem != nullptr ? curItem->getShowTimeAs() : 0; }

void Zolt::setShowTimeAs(int v) {
  if (curItem != nullptr) curItem->setShowTimeAs(v, calendar);
}

bool Zolt::isItemCompleted() const { return curItem != nullptr && curItem->isCompleted(); }

long Zolt::getItemCompletedTime() const {
  return curItem != nullptr ? curItem->getCompletedTime() : 0;
}

int Zolt::clearItemCompleted() {
  history.noteBefore(curItem);  // the state a toggle in the list goes back to
  return curItem != nullptr ? curItem->clearCompleted() : -1;
}

// The count follows the item's running state before and after, not the result: a
// completion that is refused leaves the job running, and one that succeeds stops it.
int Zolt::setItemCompleted() {
  if (curItem == nullptr) return -1;
  history.noteBefore(curItem);  // the state a toggle in the list goes back to
  bool wasRunning = curItem->isRunning();
  int result = curItem->setCompleted(calendar);
  if (wasRunning && !curItem->isRunning() && nrActiveJobs > 0) --nrActiveJobs;
  return result;
}

bool Zolt::isItemRunning() const { return curItem != nullptr && curItem->isRunning(); }

int Zolt::setItemRunning(bool on) {
  if (curItem == nullptr) return -1;
  int result = curItem->setRunning(on);
  if (result != 0) return result;
  if (on) {
    ++nrActiveJobs;
  } else if (nrActiveJobs > 0) {
    --nrActiveJobs;
  }
  return 0;
}

unsigned Zolt::getItemNrTimes() const { return curItem != nullptr ? curItem->getNrTimes() : 0; }

long Zolt::getItemTimeBegin(unsigned i) const { return curItem->getTimeBegin(i); }

long Zolt::getItemTimeEnd(unsigned i) const { return curItem->getTimeEnd(i); }

double Zolt::getItemTimeSum() const { return curItem != nullptr ? curItem->getTimeSum() : 0; }

unsigned Zolt::getDateTime(int which) const {
  return curItem != nullptr ? curItem->getDateTime(which) : kEmptyDateTime;
}

int Zolt::setDate(int which, int year, int month, int day) {
  return curItem != nullptr ? curItem->setDate(which, year, month, day, calendar) : -1;
}

void Zolt::clearDate(int which) {
  if (curItem != nullptr) curItem->clearDate(which, calendar);
}

int Zolt::setTime(int which, int hour, int minute) {
  return curItem != nullptr ? curItem->setTime(which, hour, minute, calendar) : -1;
}

void Zolt::clearTime(int which) {
  if (curItem != nullptr) curItem->clearTime(which, calendar);
}

int Zolt::setDateToday(int which) {
  unsigned today = getTodayDate(kEmptyDateTime);
  return setDate(which, packedYear(today), packedMonth(today), packedDay(today));
}

void Zolt::getRecData(T_recData& r) const {
  if (curItem != nullptr) curItem->getRecData(r);
}

void Zolt::setRecData(const T_recData& r) {
  if (curItem != nullptr) curItem->setRecData(r, calendar);
}

void Zolt::clearRecData() { setRecData(T_recData()); }

void Zolt::sanitizeTimeThings() {
  if (curItem != nullptr) curItem->sanitizeTimeThings();
}
