// Export files (a to-do, a group's content, a group) and their insertion into the current
// group; copy and paste go through the same operations with the exchange file.
#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "document/export_target.h"
#include "document/zolt.h"
#include "store/atomic_file.h"
#include "store/text_util.h"

static const char kExportHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";

// ---- exports ----

// Writes the head, what `records` writes and "</data>". 0, or -1 when the file could not
// be written (a previous file of that name is then untouched) or may not be replaced: one of
// the data file's own files, or no regular file (a pipe, a device).
static int writeExportFile(const Zolt& doc, const char* fileName,
                           const std::function<void(std::ostream&)>& records) {
  std::string refused;
  if (fileName == nullptr || *fileName == '\0') return -1;
  if (checkExportTarget(doc, fileName, refused) != 0) return -1;
  auto body = [&records](std::ostream& os) {
    os << kExportHead;
    records(os);
    os << "</data>\n";
    return os.good();
  };
  return writeFileAtomically(fileName, body);
}

// A description that cannot take its stored form is written as it is held (the writer
// says so on standard error); the record stays complete, so the export goes on.
int Zolt::exportToDoToFile(const char* fileName) {
  if (curItem == nullptr) return -1;
  return writeExportFile(
      *this, fileName, [this](std::ostream& os) { (void)curItem->writeContent(os, true, &keys); });
}

int Zolt::exportContentToFile(const char* fileName) {
  if (options.mainViewType == kMainViewActiveJobs) return -1;
  if (options.mainViewType == kMainViewSearch) {
    std::vector<ToDoListToDo*> results = searchResultsInFoundOrder();
    return writeExportFile(*this, fileName, [this, &results](std::ostream& os) {
      for (ToDoListToDo* t : results) (void)t->writeContent(os, true, &keys);
    });
  }
  return writeExportFile(*this, fileName, [this](std::ostream& os) {
    (void)curGroup->writeContent(os, true, &keys, false, true);
  });
}

int Zolt::exportGroupToFile(const char* fileName) {
  if (options.mainViewType == kMainViewActiveJobs) return -1;
  if (options.mainViewType == kMainViewSearch) {
    std::vector<ToDoListToDo*> results = searchResultsInFoundOrder();
    return writeExportFile(*this, fileName, [this, &results](std::ostream& os) {
      os << "g\nssearch results\n";
      for (ToDoListToDo* t : results) (void)t->writeContent(os, true, &keys);
      os << ">\n";
    });
  }
  return writeExportFile(*this, fileName, [this](std::ostream& os) {
    (void)curGroup->writeContent(os, true, &keys, true, true);
  });
}

// ---- insertion ----

// `item` and, for a group, everything below it.
static std::vector<ToDoListItem*> subtreeOf(ToDoListItem* item) {
  std::vector<ToDoListItem*> items;
  if (auto* g = dynamic_cast<ToDoListGroup*>(item)) {
    g->collectSubtree(items);
  } else {
    items.push_back(item);
  }
  return items;
}

// An inserted file may bring identifiers ("I" lines) that the tree already uses, or uses
// twice itself: the journal and every lookup by identifier would then find the wrong
// item. `used` holds every identifier of the tree outside the inserted subtree and grows
// with it. idmax first passes every identifier read, so no fresh one can meet a later
// file's identifier either.
static void settleInsertedSyncIDs(ToDoListItem* inserted, std::unordered_set<unsigned>& used,
                                  unsigned& idmax) {
  std::vector<ToDoListItem*> items = subtreeOf(inserted);
  for (const ToDoListItem* item : items) idmax = std::max(idmax, item->getSyncID());
  for (ToDoListItem* item : items) {
    if (item->getSyncID() != 0 && used.insert(item->getSyncID()).second) continue;
    unsigned fresh = ++idmax;
    while (fresh == 0 || !used.insert(fresh).second) fresh = ++idmax;
    item->setSyncID(fresh);
  }
}

// Reads the record whose start line ("g" or "t") was just read into a new child of the
// current group. Returns the record reader's result: -1 when the record is damaged, and
// what was read of it stays. The journal record is written by insertDataFromFile, once
// for the whole file.
// insertRecord's result for a group record refused for the depth it would have.
static constexpr int kTooDeep = -2;

int Zolt::insertRecord(char tag, std::istream& is, std::unordered_set<unsigned>& usedIDs) {
  ToDoListItem* item = nullptr;
  int result = 0;
  if (tag == 'g' && curGroup->getLevel() >= kMaxGroupDepth) {
    // No group may be made below the deepest level the readers accept: the record is read
    // apart, so the lines after it are not mistaken for records, and reported as damaged.
    ToDoListGroup scratch(0, std::string(), 0);
    unsigned scratchJobs = 0, scratchIdmax = 0;
    T_Calendar scratchCal;
    (void)scratch.readContent(is, scratchJobs, scratchIdmax, scratchCal);
    return kTooDeep;
  }
  if (tag == 'g') {
    ToDoListGroup* g = curGroup->newGroup();
    g->setSyncID(nextSyncID());
    result = g->readContent(is, nrActiveJobs, idmax, calendar);
    item = g;
  } else {
    ToDoListToDo* t = curGroup->newToDo();
    t->setSyncID(nextSyncID());
    result = t->readContent(is, nrActiveJobs, idmax, calendar);
    // A record that failed on its description stopped before the to-do was listed.
    if (result != 0) t->putIntoCalList(calendar);
    curItem = t;
    item = t;
  }
  settleInsertedSyncIDs(item, usedIDs, idmax);
  return result;
}

// The number of the line that begins at byte `offset` (the line after the last one when
// `offset` is negative), counted from 1.
static long lineAt(const char* fileName, std::streamoff offset) {
  std::ifstream in(fileName, std::ios::binary);
  long line = 1;
  char buffer[65536];
  std::streamoff left = offset;
  while (offset < 0 || left > 0) {
    std::streamsize want = sizeof buffer;
    if (offset >= 0 && left < want) want = static_cast<std::streamsize>(left);
    in.read(buffer, want);
    std::streamsize got = in.gcount();
    if (got <= 0) break;
    line += static_cast<long>(std::count(buffer, buffer + got, '\n'));
    left -= got;
  }
  return line;
}

// "file:line: what", the line being the one that begins at byte `offset`.
static std::string placeText(const char* fileName, std::streamoff offset, const std::string& what) {
  return std::string(fileName) + ":" + std::to_string(lineAt(fileName, offset)) + ": " + what;
}

// The key block of an inserted master file is not taken over. It is read through to its
// end, since a password's name on a line of its own could read as a record start.
static void passOverKeyBlock(std::istream& is) {
  CryptMan scratch;
  (void)scratch.Read(is);
}

// insertDataFromFile's result once the file is read: a damaged record (starting at byte
// `damagedAt`, -1 for none) first, then a missing end.
static int insertionResult(const char* fileName, std::streamoff damagedAt, char damagedTag,
                           bool ended, std::string* where) {
  if (damagedAt >= 0) {
    if (where != nullptr) {
      std::string what = damagedTag == 'd'
                             ? "group record not inserted: groups nest at most " +
                                   std::to_string(kMaxGroupDepth) + " levels deep"
                             : std::string("damaged ") + (damagedTag == 'g' ? "group" : "to-do") +
                                   " record; what was read of it is inserted";
      *where = placeText(fileName, damagedAt, what);
    }
    return Zolt::kInsertDamaged;
  }
  if (!ended) {
    if (where != nullptr) *where = placeText(fileName, -1, "the file ends without </data>");
    return -2;
  }
  return 0;
}

int Zolt::insertDataFromFile(const char* fileName, std::string* where) {
  if (options.mainViewType != kMainViewNormal) return -1;
  if (fileName == nullptr) return -3;
  std::ifstream is(fileName, std::ios::binary);
  // A directory opens as a stream but fails on the first read.
  if (!is || (is.peek(), is.bad())) return -3;
  is.clear();
  std::unordered_set<unsigned> usedIDs;
  for (const ToDoListItem* item : subtreeOf(root)) usedIDs.insert(item->getSyncID());
  std::streamoff damagedAt = -1;
  char damagedTag = 0;
  bool ended = false;
  std::vector<ToDoListItem*> inserted;  // in the file's order
  // Dated to-dos are placed into the calendar lists in one pass at the end, as a load
  // does, instead of one walk down a list's tree each.
  calendar.beginBatch();
  std::string line;
  for (std::streamoff start = is.tellg(); readRawLine(is, line); start = is.tellg()) {
    line = trimBlanks(line);
    if (line == "</data>") {
      ended = true;
      break;
    }
    if (line == "<Crypt>") passOverKeyBlock(is);
    if (line != "g" && line != "t") continue;  // head and settings: not items
    int recordResult = insertRecord(line[0], is, usedIDs);
    if (recordResult != 0 && damagedAt < 0) {
      damagedAt = start;
      damagedTag = recordResult == kTooDeep ? 'd' : line[0];
    }
    if (recordResult == kTooDeep) continue;
    if (line[0] == 'g') {
      inserted.push_back(curGroup->getGroups().back());
    } else {
      inserted.push_back(curGroup->getToDos().back());
    }
  }
  calendar.endBatch();
  // One new-item record holds every inserted item, so a kill leaves all of them in the
  // journal or none (the journal file appears by a rename once complete and synced), and
  // a big paste costs one synced file instead of one per record. A failure is reported
  // by the writer; the items stay in memory as any unjournalled change does.
  if (!inserted.empty()) {
    std::ostringstream os;
    os << "<new parent=" << curGroup->getSyncID() << ">\n";
    for (ToDoListItem* item : inserted) incsave_writeRecord(os, item, true);
    os << ">\n</new>\n";
    (void)incsave_commit(os.str());
    history.noteInsertions(inserted, curGroup);  // undone as one step
  }
  root->checkCompleted();
  return insertionResult(fileName, damagedAt, damagedTag, ended, where);
}
