// Full-text search over the to-dos below a group, and the search results view it opens.
// The match compares bytes folded on the fly, so a search over many long descriptions
// makes no upper-cased copies; the answer is the one upper-casing both sides would give.
#include <cstring>

#include "document/zolt.h"

namespace {

// Byte-wise upper-casing of the ASCII letters a to z; every other byte maps to itself.
struct FoldTable {
  unsigned char to[256];
  constexpr FoldTable() : to() {
    for (int c = 0; c < 256; ++c) {
      to[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
  }
};
constexpr FoldTable kFold;

// True when the `m` bytes of `needle` occur in the `n` bytes of `hay`, both folded.
bool containsFolded(const char* hay, size_t n, const char* needle, size_t m) {
  if (m == 0) return true;
  if (m > n) return false;
  auto h = reinterpret_cast<const unsigned char*>(hay);
  auto p = reinterpret_cast<const unsigned char*>(needle);
  const unsigned char first = kFold.to[p[0]];
  const size_t last = n - m;
  for (size_t i = 0; i <= last; ++i) {
    if (kFold.to[h[i]] != first) continue;
    size_t k = 1;
    while (k < m && kFold.to[h[i + k]] == kFold.to[p[k]]) ++k;
    if (k == m) return true;
  }
  return false;
}

}  // namespace

// The summary is compared whole; the description like a C string (text and needle up to
// their first NUL), bounded by its length in case damaged data carries no NUL.
bool ToDoListToDo::containsText(const std::string& text, CryptMan* cm) {
  if (containsFolded(summary.data(), summary.size(), text.data(), text.size())) return true;
  const char* out = nullptr;
  if (GetDescription(out, cm) != 0 || out == nullptr) return false;
  int len = description.getLen();
  size_t hayLen = len > 0 ? strnlen(out, static_cast<size_t>(len)) : 0;
  return containsFolded(out, hayLen, text.c_str(), strlen(text.c_str()));
}

void ToDoListGroup::findToDosWithText(const std::string& text, std::vector<ToDoListToDo*>& found,
                                      CryptMan* cm) {
  for (ToDoListToDo* t : todos) {
    if (t->containsText(text, cm)) found.push_back(t);
  }
  for (ToDoListGroup* g : groups) g->findToDosWithText(text, found, cm);
}

const ToDoListGroup* Zolt::transientSearchGroup() const {
  if (searchGroup == nullptr) return nullptr;
  if (!searchGroup->getToDos().empty() || !searchGroup->getGroups().empty()) return nullptr;
  return searchGroup;
}

// The search group of a results view that was switched away from without being left
// stays in the tree; a new search must not leave it behind as an ordinary group. Should
// it hold items by now, they are the user's: it stays and becomes an ordinary group.
void Zolt::dropStaleSearchGroup() {
  if (searchGroup == nullptr) return;
  ToDoListGroup* stale = searchGroup;
  searchGroup = nullptr;
  if (!stale->getToDos().empty() || !stale->getGroups().empty()) return;
  if (curGroup == stale) {
    ToDoListGroup* back = preSearchGroup != nullptr ? preSearchGroup : root;
    curGroupPath = preSearchGroup != nullptr ? preSearchGroupPath : "/0/";
    curGroup = back;
  }
  if (prevGroup == stale) prevGroup = nullptr;
  root->delGroup(stale, nrActiveJobs, calendar);
}

// Rows, order and items are filled from the last result to the first; the order entry of
// each row is the number of results not yet taken, less one, so the rows show in the
// order found until they are sorted.
void Zolt::showSearchResults(const std::vector<ToDoListToDo*>& found) {
  rows.reserve(found.size());
  rowItems.reserve(found.size());
  rowOrder.reserve(found.size());
  for (size_t left = found.size(); left-- > 0;) {
    rows.emplace_back();
    found[left]->setViewData(rows.back(), &keys);
    rowOrder.push_back(static_cast<unsigned>(left));
    rowItems.push_back(found[left]);
  }
}

std::vector<ToDoListToDo*> Zolt::searchResultsInFoundOrder() const {
  std::vector<ToDoListToDo*> found;
  found.reserve(rowItems.size());
  for (size_t i = rowItems.size(); i-- > 0;) {
    if (auto* t = dynamic_cast<ToDoListToDo*>(rowItems[i])) found.push_back(t);
  }
  return found;
}

int Zolt::search(const std::string& text) {
  std::vector<ToDoListToDo*> found;
  if (options.mainViewType == kMainViewNormal) {
    dropStaleSearchGroup();
    preSearchGroup = curGroup;
    preSearchGroupPath = curGroupPath;
    clearViewData();
    curGroup->findToDosWithText(text, found, &keys);
    searchGroup = root->newGroup();
    searchGroup->setSummary("search results");
    setGroup(searchGroup);
  } else if (options.mainViewType == kMainViewSearch) {
    for (ToDoListToDo* t : searchResultsInFoundOrder()) {
      if (t->containsText(text, &keys)) found.push_back(t);
    }
    rows.clear();
    rowItems.clear();
    rowOrder.clear();
  } else {
    return -1;
  }
  showSearchResults(found);
  options.mainViewType = kMainViewSearch;
  return 0;
}
