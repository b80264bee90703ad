// The item record grammar of the data files: one line per field, its first character
// the tag. Used by the master data file, the journal and export files alike.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "calendar/date_time.h"
#include "crypt/descr_data.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"
#include "store/text_util.h"

// A packed date-time from a file must not reach the date arithmetic with impossible fields:
// such a date (or time) is read as absent, and the repair is reported.
static unsigned checkedDateTime(unsigned v, char tag) {
  unsigned checked = v;
  if (hasDate(v) && !isValidDate(packedYear(v), packedMonth(v), packedDay(v))) {
    checked = clearDatePart(checked);
  }
  if (hasTime(checked) && (packedHour(checked) > 23 || packedMinute(checked) > 59)) {
    checked = clearTimePart(checked);
  }
  if (checked != v) {
    std::cerr << "Impossible date or time " << v << " in line '" << tag << "' read as missing\n";
  }
  return checked;
}

static void settleSyncID(ToDoListItem& item, unsigned& idmax) {
  if (item.getSyncID() == 0) {
    item.setSyncID(++idmax);
    return;
  }
  if (item.getSyncID() > idmax) idmax = item.getSyncID();
  item.hasBeenSaved(true);
}

// ---- to-do records ----

static void writeDescription(std::ostream& os, const char* out, int outLen, int outFlags) {
  if (out == nullptr || outLen == 0) return;
  if (DescrData::DescrIsBinary(outFlags)) {
    os << 'd' << outLen << '\n';
    WriteBinASCII(os, reinterpret_cast<const unsigned char*>(out), outLen);
  } else {
    os << 'd' << outLen - 1 << '\n';
    os.write(out, outLen - 1);
  }
  os << '\n';
}

int ToDoListToDo::writeContent(std::ostream& os, bool exporting, CryptMan* cm) {
  sanitizeTimeThings();
  char* out = nullptr;
  int outLen = 0;
  int outFlags = 0;
  bool mustFree = false;
  int result = description.GetDataToSave(out, outLen, outFlags, mustFree, cm);
  if (result != 0) {
    // The required form needs a key nobody gave: keep the description as it is held now
    // (ciphertext stays ciphertext), so the record is complete and nothing is lost.
    std::cerr << "Description of '" << summary
              << "' could not be prepared for saving; written as it is held\n";
    out = const_cast<char*>(description.getData());
    outLen = description.getLen();
    outFlags = description.getFlags();
    mustFree = false;
  }
  os << "t\ns" << summary << '\n';
  if (outFlags != 0) os << 'F' << std::hex << outFlags << std::dec << '\n';
  if (!exporting) os << 'I' << syncID << '\n';
  if (priority != kDefaultPriority) os << 'p' << static_cast<int>(priority) << '\n';
  if (showTimeAs != 0) os << 'S' << showTimeAs << '\n';
  if (begin != kEmptyDateTime) os << 'm' << begin << '\n';
  if (end != kEmptyDateTime) os << 'n' << end << '\n';
  if (recData.type != 0) {
    os << '1' << recData.type << '\n';
    if (recData.interval != 1) os << '2' << recData.interval << '\n';
    if (hasDate(recData.firstDate)) os << '3' << recData.firstDate << '\n';
    if (hasDate(recData.lastDate)) os << '4' << recData.lastDate << '\n';
  }
  if (running) os << "R\n";
  for (const T_workingTimes& w : times) os << 'r' << w.begin << ',' << w.end << '\n';
  if (completed.completed) os << 'f' << completed.time << '\n';
  writeDescription(os, out, outLen, outFlags);
  os << ">\n";
  if (mustFree) free(out);
  if (!exporting) saved = true;
  return result == 0 ? 0 : -1;
}

static int checkedRecurrenceType(int type) {
  if (type >= 0 && type <= kMaxRecurrenceType) return type;
  std::cerr << "Unknown recurrence type " << type << " read as none\n";
  return 0;
}

static int checkedInterval(int interval) {
  if (interval >= 1) return interval;
  std::cerr << "Recurrence interval " << interval << " read as 1\n";
  return 1;
}

void ToDoListToDo::applyRecordLine(const std::string& line, unsigned& nrActiveJobs) {
  std::string value = line.substr(1);
  switch (line[0]) {
    case '1':
      recData.type = checkedRecurrenceType(parseInt(value));
      break;
    case '2':
      recData.interval = checkedInterval(parseInt(value));
      break;
    case '3':
      recData.firstDate = checkedDateTime(parseNumber(value), '3');
      break;
    case '4':
      recData.lastDate = checkedDateTime(parseNumber(value), '4');
      break;
    case 'F':
      description.setFlags(static_cast<int>(parseHex(value)));
      break;
    case 'I':
      syncID = parseNumber(value);
      break;
    case 'R':
      if (!running) ++nrActiveJobs;
      running = true;
      break;
    case 'S':
      showTimeAs = parseInt(value);
      break;
    case 'f':
      completed = T_completed{true, parseInt(value)};
      break;
    case 'm':
      begin = checkedDateTime(parseNumber(value), 'm');
      break;
    case 'n':
      end = checkedDateTime(parseNumber(value), 'n');
      break;
    case 'p': {
      unsigned p = parseNumber(value);
      priority = (p > 6 && p != kBusyPriority && p != kFreePriority) ? 1 : p;
      break;
    }
    case 'r': {
      size_t comma = value.find(',');
      int32_t b = parseInt(value);
      int32_t e = comma == std::string::npos ? 0 : parseInt(value.substr(comma + 1));
      times.push_back(T_workingTimes{b, e});
      break;
    }
    case 's':
      summary = sanitizeName(value);
      break;
    default:
      break;  // unknown lines are passed over
  }
}

int ToDoListToDo::readContent(std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                              T_Calendar& cal) {
  std::string line;
  bool closed = false;
  while (readRawLine(is, line)) {
    if (line.empty()) continue;
    if (line[0] == '>') {
      closed = true;
      break;
    }
    if (line[0] == 'd') {
      if (description.ReadFromFile(parseInt(line.substr(1)), is) != 0) return -1;
      continue;
    }
    applyRecordLine(line, nrActiveJobs);
  }
  putIntoCalList(cal);
  settleSyncID(*this, idmax);
  return closed ? 0 : -1;
}

// ---- group records ----

int ToDoListGroup::writeContent(std::ostream& os, bool exporting, CryptMan* cm, bool withHeader,
                                bool withChildren) {
  int result = 0;
  if (withHeader) {
    os << "g\ns" << summary << '\n';
    if (!exporting) os << 'I' << syncID << '\n';
    if (priority != kDefaultPriority) os << 'p' << static_cast<int>(priority) << '\n';
    if (!showCompleted) os << "c0\n";
    if (!completedLast) os << "l0\n";
  }
  if (withChildren) {
    for (ToDoListToDo* t : todos) result |= t->writeContent(os, exporting, cm);
    for (ToDoListGroup* g : groups) result |= g->writeContent(os, exporting, cm, true, true);
  }
  if (withHeader) os << ">\n";
  if (!exporting) saved = true;
  return result;
}

void ToDoListGroup::applyRecordLine(const std::string& line) {
  std::string value = line.substr(1);
  switch (line[0]) {
    case 'I':
      syncID = parseNumber(value);
      break;
    case 's':
      summary = sanitizeName(value);
      break;
    case 'p': {
      unsigned p = parseNumber(value);
      priority = p > 6 ? 1 : p;
      break;
    }
    case 'c':
      showCompleted = value.size() > 0 && value[0] == '1';
      break;
    case 'l':
      completedLast = value.size() > 0 && value[0] == '1';
      break;
    default:
      break;  // unknown lines are passed over
  }
}

int ToDoListGroup::readChild(char tag, std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                             T_Calendar& cal) {
  unsigned childID = findFreeID();
  if (tag == 'g') {
    ToDoListGroup* g = new ToDoListGroup(childID, fullPath(), level + 1);
    if (g->readContent(is, nrActiveJobs, idmax, cal) != 0) {
      nrActiveJobs -= g->getNrActiveJobs();
      g->removeFromCalLists(cal);
      delete g;
      return -1;
    }
    noteNewChild(childID);
    groups.push_back(g);
    return 0;
  }
  ToDoListToDo* t = new ToDoListToDo(childID, fullPath());
  if (t->readContent(is, nrActiveJobs, idmax, cal) != 0) {
    // A failed read may already have counted the to-do as running: take that back.
    if (t->isRunning()) --nrActiveJobs;
    t->removeFromCalLists(cal);
    delete t;
    return -1;
  }
  noteNewChild(childID);
  todos.push_back(t);
  return 0;
}

namespace {

// The dated to-dos of a group record are placed into the calendar lists together once the
// outermost record is read (see T_Calendar::beginBatch).
class CalendarBatch {
 public:
  explicit CalendarBatch(T_Calendar& cal) : cal(cal) { cal.beginBatch(); }
  ~CalendarBatch() { cal.endBatch(); }
  CalendarBatch(const CalendarBatch&) = delete;
  CalendarBatch& operator=(const CalendarBatch&) = delete;

 private:
  T_Calendar& cal;
};

}  // namespace

int ToDoListGroup::readContent(std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                               T_Calendar& cal) {
  CalendarBatch batch(cal);
  if (level > kMaxGroupDepth) {
    std::cerr << "Groups nested deeper than " << kMaxGroupDepth << " levels: file refused\n";
    return -1;
  }
  std::string line;
  bool closed = false;
  while (readRawLine(is, line)) {
    if (line.empty()) continue;
    char tag = line[0];
    if (tag == '>') {
      closed = true;
      break;
    }
    if (tag == 'g' || tag == 't') {
      if (readChild(tag, is, nrActiveJobs, idmax, cal) != 0) return -1;
      continue;
    }
    applyRecordLine(line);
  }
  settleSyncID(*this, idmax);
  return closed ? 0 : -1;
}
