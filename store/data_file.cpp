// The master data file: header of settings, the key manager's block and the item tree.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "document/zolt.h"
#include "store/atomic_file.h"
#include "store/load_memory.h"
#include "store/text_util.h"

static const char kFileHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";

// The value of a "<tag=value>" line: the tag removed in front, the ">" at the end.
static std::string tagValue(const std::string& line, const char* tag) {
  size_t from = std::char_traits<char>::length(tag);
  if (line.size() <= from) return std::string();
  return line.substr(from, line.size() - from - 1);
}

static bool isValidSpan(int span) {
  return span == 1 || span == 2 || span == 3 || span == 7 || span == 42;
}

// Appends to `path` the path `target` will have when the file is read back, and returns
// whether it lies below `g`. The reader numbers children in the order they come, and the
// writer puts to-dos before groups, so a group's id read back is its place among the
// written children. Ids handed out otherwise (groups read before to-dos, or gaps left by
// deletions) would name another group at the next start. `skip` is never written.
static bool appendWrittenPath(const ToDoListGroup* g, const ToDoListGroup* target,
                              const ToDoListGroup* skip, std::string& path) {
  if (g == target) return true;
  size_t id = g->getToDos().size();
  for (const ToDoListGroup* child : g->getGroups()) {
    if (child == skip) continue;
    size_t len = path.size();
    path += std::to_string(id++) + "/";
    if (appendWrittenPath(child, target, skip, path)) return true;
    path.resize(len);
  }
  return false;
}

void Zolt::writeHeader(std::ostream& os) {
  os << kFileHead;
  os << "<idmax=" << idmax << ">\n";
  os << "<idmaxaftersync=" << idmaxaftersync << ">\n";
  // The search group is gone at the next start: the position is where the search began.
  const ToDoListGroup* skip = transientSearchGroup();
  const ToDoListGroup* at = curGroup != nullptr && curGroup == skip ? preSearchGroup : curGroup;
  std::string position = "/0/";
  if (at == nullptr || !appendWrittenPath(root, at, skip, position)) position = "/0/";
  os << "<curGroup=" << position << ">\n";
  if (options.showKbd) os << "<ShowKbd>\n";
  if (options.viewtype == kViewFlat) os << "<viewtype=flat>\n";
  if (options.viewtype == kViewTree) os << "<viewtype=tree>\n";
  // The active-jobs and search views are never stored: the next start shows the normal
  // view, which is written out, so that the file read back writes the same line.
  os << "<mainviewtype="
     << (options.mainViewType == kMainViewCalendar ? kMainViewCalendar : kMainViewNormal) << ">\n";
  if (options.sort == 0) os << "<sorttype=priority>\n";
  if (options.sort == 1) os << "<sorttype=date>\n";
  os << "<cal.date=" << calendar.firstDay << ">\n";
  os << "<cal.days=" << calendar.span << ">\n";
  os << "<GUIData.nLineNormal=" << static_cast<int>(nLineNormal) << ">\n";
  os << "<GUIData.nLineCal=" << static_cast<int>(nLineCal) << ">\n";
  for (int pos : oldPosInList) os << "<GUIData.oldPosInList=" << pos << ">\n";
  if (winHeight != 0) os << "<Session.uWinHeight=" << winHeight << ">\n";
  if (winWidth != 0) os << "<Session.uWinWidth=" << winWidth << ">\n";
}

int Zolt::writeData(const char* fileName) { return writeMaster(fileName, nullptr); }

// The root's record without `skip` (the search group while results are shown, or null),
// so the search group never reaches the file. The root's own lines come from its writer,
// whose closing ">" is held back until the children are in.
static int writeRootRecord(ToDoListGroup* root, const ToDoListGroup* skip, std::ostream& os,
                           CryptMan* keys) {
  if (skip == nullptr) return root->writeContent(os, false, keys, true, true);
  std::ostringstream own;
  root->writeContent(own, false, keys, true, false);
  std::string lines = own.str();
  os.write(lines.data(), static_cast<std::streamsize>(lines.size()) - 2);  // without ">\n"
  int result = 0;
  for (ToDoListToDo* t : root->getToDos()) result |= t->writeContent(os, false, keys);
  for (ToDoListGroup* g : root->getGroups()) {
    if (g != skip) result |= g->writeContent(os, false, keys, true, true);
  }
  os << ">\n";
  return result;
}

int Zolt::writeMaster(const char* fileName,
                      const std::function<bool(const std::string&)>& beforeCommit) {
  auto body = [this](std::ostream& os) {
    writeHeader(os);
    keys.Write(os);
    if (writeRootRecord(root, transientSearchGroup(), os, &keys) != 0) {
      std::cerr << "writeContent hat nicht Null zurückgegeben!\n";
    }
    os << "</data>\n";
    return os.good();
  };
  return writeFileAtomically(fileName, body, beforeCommit);
}

// Tests one header line against every tag; the tests are independent of each other.
void Zolt::readHeaderLine(const std::string& line, std::istream& is, int& result,
                          std::string& endOfHeader, bool& journalTyped) {
  if (startsWith(line, "<idmax=")) {
    idmax = parseNumber(tagValue(line, "<idmax="));
    // Out of range (a damaged file): the identifiers of the items read set it again.
    if (idmax > kMaxSyncID) idmax = 0;
  }
  if (startsWith(line, "<idmaxaftersync=")) {
    idmaxaftersync = parseNumber(tagValue(line, "<idmaxaftersync="));
  }
  if (startsWith(line, "<curGroup=")) curGroupPath = tagValue(line, "<curGroup=");
  if (startsWith(line, "<ShowKbd>")) options.showKbd = true;
  if (startsWith(line, "<viewtype=flat>")) options.viewtype = kViewFlat;
  if (startsWith(line, "<viewtype=tree>")) options.viewtype = kViewTree;
  if (startsWith(line, "<mainviewtype=")) {
    int type = parseInt(tagValue(line, "<mainviewtype="));
    // Only the normal and the calendar view are ever stored.
    if (type == kMainViewNormal || type == kMainViewCalendar) options.mainViewType = type;
  }
  if (startsWith(line, "<mainview=normal>")) options.mainViewType = kMainViewNormal;
  if (startsWith(line, "<mainview=calendar>")) options.mainViewType = kMainViewCalendar;
  if (startsWith(line, "<onlyActive>")) options.mainViewType = kMainViewActiveJobs;
  if (startsWith(line, "<sorttype=priority>")) options.sort = 0;
  if (startsWith(line, "<sorttype=date>")) options.sort = 1;
  if (startsWith(line, "<cal.date=")) {
    unsigned day = parseNumber(tagValue(line, "<cal.date="));
    if (hasDate(day) && isValidDateTime(day)) {
      calendar.firstDay = day;
    } else {
      std::cerr << "Impossible calendar date " << day << " ignored\n";
    }
  }
  if (startsWith(line, "<cal.days=")) {
    int span = parseInt(tagValue(line, "<cal.days="));
    if (isValidSpan(span)) {
      calendar.span = span;
    } else {
      std::cerr << "Calendar span " << span << " ignored\n";
    }
  }
  if (startsWith(line, "<GUIData.nLineNormal=")) {
    nLineNormal = parseNumber(tagValue(line, "<GUIData.nLineNormal="));
  }
  if (startsWith(line, "<GUIData.nLineCal=")) {
    nLineCal = parseNumber(tagValue(line, "<GUIData.nLineCal="));
  }
  if (startsWith(line, "<GUIData.oldPosInList=")) {
    oldPosInList.push_back(parseInt(tagValue(line, "<GUIData.oldPosInList=")));
    selectedLine.push_back(0);
  }
  // A size of 0 is never written (it means "none stored"): read, it keeps the built-in size.
  if (startsWith(line, "<Session.uWinHeight=")) {
    unsigned h = parseNumber(tagValue(line, "<Session.uWinHeight="));
    if (h != 0) winHeight = h;
  }
  if (startsWith(line, "<Session.uWinWidth=")) {
    unsigned w = parseNumber(tagValue(line, "<Session.uWinWidth="));
    if (w != 0) winWidth = w;
  }
  if (startsWith(line, "<type=Zolt-Sync>")) journalTyped = true;
  if (startsWith(line, "<version=") && line.size() > 9 && line[9] == '0') {
    // Old version numbers such as 0.13 began their items with "<g>" before version 14.
    std::string value = tagValue(line, "<version=");
    std::string number = value.size() > 2 ? value.substr(2) : std::string();
    if (!journalTyped && parseInt(number) < 14) endOfHeader = "<g>";
  }
  if (startsWith(line, "<Crypt>") && keys.Read(is) != 0) result = -1;
}

// Identifiers read from the file stay; an identifier handed out while reading that is
// also used elsewhere is replaced by a fresh one.
void Zolt::giveDuplicatesFreshSyncIDs() {
  std::vector<ToDoListItem*> items;
  root->collectSubtree(items);
  std::unordered_set<unsigned> used;
  for (const ToDoListItem* item : items) {
    if (item->hasBeenSaved()) used.insert(item->getSyncID());
  }
  for (ToDoListItem* item : items) {
    if (item->hasBeenSaved() || used.insert(item->getSyncID()).second) continue;
    item->setSyncID(++idmax);
    used.insert(idmax);
  }
}

void Zolt::settleCurrentGroup() {
  ToDoListGroup* found = curGroupPath == "/0/" ? nullptr : root->getGroupPtr(curGroupPath);
  if (found != nullptr) {
    curGroup = found;
  } else {
    curGroup = root;
    curGroupPath = "/0/";
  }
}

int Zolt::readData(const char* fileName) {
  // Named after the file itself, not the spelling it was reached by, so that every way of
  // opening it finds the same journal (the lock file is named the same way).
  journalBase = resolvedFileName(fileName);
  typedJournalBase = fileName;
  options.mainViewType = kMainViewNormal;
  options.viewtype = kViewTree;
  options.sort = 1;
  readError.clear();
  std::ifstream is(fileName, std::ios::binary);
  if (!is) {
    // Only a file that is not there is an empty document: one that exists but cannot be
    // read must not be taken for empty, or the next full save would overwrite it.
    if (access(fileName, F_OK) == 0 || errno != ENOENT) {
      readError = std::string("it cannot be opened: ") + strerror(errno);
      std::cerr << "Cannot open " << fileName << ": " << strerror(errno) << "\n";
      return -1;
    }
    root->setSyncID(1);
    idmax = 1;
    return 0;
  }
  struct stat info;
  LoadMemory memory(stat(fileName, &info) == 0 ? static_cast<size_t>(info.st_size) : 0);
  int result = 0;
  std::string endOfHeader = "g";
  bool journalTyped = false;
  bool foundItems = false;
  std::string line;
  while (readRawLine(is, line)) {
    line = trimBlanks(line);
    if (line == endOfHeader) {
      foundItems = true;
      break;
    }
    readHeaderLine(line, is, result, endOfHeader, journalTyped);
  }
  unsigned headerIdmax = idmax;
  if (!foundItems || root->readContent(is, nrActiveJobs, idmax, calendar) != 0) result = -1;
  // A disk that fails a read ends the stream like the end of the file: not damage.
  if (is.bad()) {
    readError = std::string("reading it failed: ") + strerror(errno);
    return -1;
  }
  // Items without an identifier got idmax + 1, idmax + 2, ... while they were read; when the
  // file also holds identifiers above its stored idmax (a file edited by hand, or damaged),
  // one of those may have been handed out twice.
  if (idmax > headerIdmax) giveDuplicatesFreshSyncIDs();
  settleCurrentGroup();
  if (result == 0) root->checkCompleted();
  return result;
}
