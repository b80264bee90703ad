// Full-text search over the to-dos below a group, and the search results view it opens.
// Texts match on their Unicode case folding (util/text_fold.h): the needle is folded once
// per search, each summary and description once while it is looked at, and texts of ASCII
// only are compared in place without a copy.
#include <cstring>

#include "document/zolt.h"
#include "util/text_fold.h"

namespace {

// What one search looks for. The summary is searched for the whole text; a description
// like a C string, for the text up to its first NUL.
class SearchNeedle {
 public:
  explicit SearchNeedle(const std::string& text)
      : whole(text),
        upToNul(std::string(text.c_str())),
        hasNul(text.size() != strlen(text.c_str())) {}
  bool matches(ToDoListToDo& t, CryptMan* cm, TextFolder& folder) const;

 private:
  FoldedNeedle whole;
  FoldedNeedle upToNul;
  bool hasNul;
};

// The description counts up to its first NUL, bounded by its length in case damaged data
// carries no NUL. Encrypted descriptions are asked through GetDescription as before: with
// nobody logged in it refuses, and the ciphertext is never searched.
bool SearchNeedle::matches(ToDoListToDo& t, CryptMan* cm, TextFolder& folder) const {
  const std::string& summary = t.getSummary();
  if (whole.foundIn(summary.data(), summary.size(), folder)) return true;
  const char* out = nullptr;
  if (t.GetDescription(out, cm) != 0 || out == nullptr) return false;
  int len = t.getDescrData().getLen();
  size_t hayLen = len > 0 ? strnlen(out, static_cast<size_t>(len)) : 0;
  return (hasNul ? upToNul : whole).foundIn(out, hayLen, folder);
}

void collectMatches(ToDoListGroup& g, const SearchNeedle& needle, std::vector<ToDoListToDo*>& found,
                    CryptMan* cm, TextFolder& folder) {
  for (ToDoListToDo* t : g.getToDos()) {
    if (needle.matches(*t, cm, folder)) found.push_back(t);
  }
  for (ToDoListGroup* s : g.getGroups()) collectMatches(*s, needle, found, cm, folder);
}

}  // namespace

bool ToDoListToDo::containsText(const std::string& text, CryptMan* cm) {
  TextFolder folder;
  return SearchNeedle(text).matches(*this, cm, folder);
}

void ToDoListGroup::findToDosWithText(const std::string& text, std::vector<ToDoListToDo*>& found,
                                      CryptMan* cm) {
  TextFolder folder;
  collectMatches(*this, SearchNeedle(text), found, cm, folder);
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
    SearchNeedle needle(text);
    TextFolder folder;
    for (ToDoListToDo* t : searchResultsInFoundOrder()) {
      if (needle.matches(*t, &keys, folder)) found.push_back(t);
    }
    dropAllRows();
  } else {
    return -1;
  }
  showSearchResults(found);
  options.mainViewType = kMainViewSearch;
  return 0;
}
