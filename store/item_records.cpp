// The item record grammar of the data files: one line per field, its first character
// the tag. Used by the master data file, the journal and export files alike.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

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
  if (item.getSyncID() > kMaxSyncID) {
    // The counter could not pass such an identifier without wrapping to 0 ("none").
    std::cerr << "Identifier " << item.getSyncID() << " out of range: a new one is given\n";
    item.setSyncID(0);
  }
  if (item.getSyncID() == 0) {
    item.setSyncID(++idmax);
    return;
  }
  if (item.getSyncID() > idmax) idmax = item.getSyncID();
  item.hasBeenSaved(true);
}

// ---- record text ----
// A record is put together in memory and handed to the stream in one write: the stream's
// formatting of each short field, one call at a time, was most of the cost of a save.
// Numbers come out as stream insertion writes them (decimal, the flags in lower-case hex).

template <typename Number>
static void appendNumber(std::string& r, Number v, int base = 10) {
  char digits[24];
  auto done = std::to_chars(digits, digits + sizeof digits, v, base);
  r.append(digits, static_cast<size_t>(done.ptr - digits));
}

template <typename Number>
static void appendLine(std::string& r, char tag, Number v) {
  r += tag;
  appendNumber(r, v);
  r += '\n';
}

static void appendText(std::string& r, char tag, const std::string& text) {
  r += tag;
  r += text;
  r += '\n';
}

// ---- to-do records ----

// The lines between the identifier and the description, each only when not the default.
static void appendToDoFields(std::string& r, const ToDoListToDo& t) {
  if (t.getPriority() != kDefaultPriority) appendLine(r, 'p', static_cast<int>(t.getPriority()));
  if (t.getShowTimeAs() != 0) appendLine(r, 'S', t.getShowTimeAs());
  if (t.getDateTime(1) != kEmptyDateTime) appendLine(r, 'm', t.getDateTime(1));
  if (t.getDateTime(0) != kEmptyDateTime) appendLine(r, 'n', t.getDateTime(0));
  T_recData rec;
  t.getRecData(rec);
  if (rec.type != 0) {
    appendLine(r, '1', rec.type);
    if (rec.interval != 1) appendLine(r, '2', rec.interval);
    if (hasDate(rec.firstDate)) appendLine(r, '3', rec.firstDate);
    if (hasDate(rec.lastDate)) appendLine(r, '4', rec.lastDate);
  }
  if (t.isRunning()) r += "R\n";
  for (unsigned i = 0; i < t.getNrTimes(); ++i) {
    r += 'r';
    appendNumber(r, static_cast<int32_t>(t.getTimeBegin(i)));
    r += ',';
    appendNumber(r, static_cast<int32_t>(t.getTimeEnd(i)));
    r += '\n';
  }
  if (t.isCompleted()) appendLine(r, 'f', t.getCompletedTime());
}

// The description field, written out together with the record text before it.
static void writeDescription(std::ostream& os, std::string& r, const char* out, int outLen,
                             int outFlags) {
  if (out == nullptr || outLen == 0) return;
  if (DescrData::DescrIsBinary(outFlags)) {
    appendLine(r, 'd', outLen);
    os.write(r.data(), static_cast<std::streamsize>(r.size()));
    r.clear();
    WriteBinASCII(os, reinterpret_cast<const unsigned char*>(out), outLen);
  } else {
    appendLine(r, 'd', outLen - 1);
    r.append(out, static_cast<size_t>(outLen - 1));
  }
  r += '\n';
}

int ToDoListToDo::appendRecord(std::string& r, std::ostream& os, bool exporting, CryptMan* cm) {
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
  r += "t\n";
  appendText(r, 's', summary);
  if (outFlags != 0) {
    r += 'F';
    appendNumber(r, static_cast<unsigned>(outFlags), 16);
    r += '\n';
  }
  if (!exporting) appendLine(r, 'I', syncID);
  // An exported copy is another item: it must not be taken for this one at an import.
  if (!exporting && importUid != nullptr) appendText(r, 'U', *importUid);
  appendToDoFields(r, *this);
  writeDescription(os, r, out, outLen, outFlags);
  r += ">\n";
  if (mustFree) free(out);
  if (!exporting) saved = true;
  return result == 0 ? 0 : -1;
}

int ToDoListToDo::writeContent(std::ostream& os, bool exporting, CryptMan* cm) {
  std::string r;
  int result = appendRecord(r, os, exporting, cm);
  os.write(r.data(), static_cast<std::streamsize>(r.size()));
  return result;
}

// An "r" line: begin, a comma and end; the end is 0 when there is no comma.
static T_workingTimes workingTimesOf(const std::string& line) {
  const char* value = line.c_str() + 1;
  auto comma = static_cast<const char*>(memchr(value, ',', line.size() - 1));
  int32_t b = static_cast<int32_t>(parseNumber(value));
  int32_t e = comma == nullptr ? 0 : static_cast<int32_t>(parseNumber(comma + 1));
  return T_workingTimes{b, e};
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

// Fields are parsed in place behind the tag: a copy of every line would cost an allocation
// for each longer one, and a big file has millions.
void ToDoListToDo::applyRecordLine(const std::string& line, unsigned& nrActiveJobs) {
  const char* value = line.c_str() + 1;
  switch (line[0]) {
    case '1':
      recData.type = checkedRecurrenceType(static_cast<int>(parseNumber(value)));
      break;
    case '2':
      recData.interval = checkedInterval(static_cast<int>(parseNumber(value)));
      break;
    case '3':
      recData.firstDate = checkedDateTime(parseNumber(value), '3');
      break;
    case '4':
      recData.lastDate = checkedDateTime(parseNumber(value), '4');
      break;
    case 'F':
      description.setFlags(static_cast<int>(parseHex(line.substr(1))));
      break;
    case 'I':
      syncID = parseNumber(value);
      break;
    case 'R':
      if (!running) ++nrActiveJobs;
      running = true;
      break;
    case 'U':
      setImportUid(line.substr(1));
      break;
    case 'S':
      showTimeAs = static_cast<int>(parseNumber(value));
      break;
    case 'f':
      setCompletedDirect(T_completed{true, static_cast<int>(parseNumber(value))});
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
    case 'r':
      times.push_back(workingTimesOf(line));
      break;
    case 's':
      summary.assign(line, 1, std::string::npos);
      summary = sanitizeName(std::move(summary));
      break;
    default:
      break;  // unknown lines are passed over
  }
}

// The description flags this program knows; others are dropped on reading, so that no
// bit it cannot honour reaches a save.
constexpr int kKnownDescrFlags = kDescrCompressed | kDescrEncrypted | kDescrCbc | kDescrChecked |
                                 kDescrReserved | kDescrSaveCrypt;

// Settles the description once the whole record is read, so that a record means the same
// whatever the order of its "F" and "d" lines. `binaryRead` tells how the data was read
// (it must agree with the final flags: the writer encodes it by them). Without data, the
// bits that describe the data's form describe nothing and go. -1 when the record cannot
// be honoured: compressed data, or data read in another form than the flags now say; the
// data is then dropped, since a damaged record may stay in the tree (an insertion keeps
// what it read) and must not carry it into a save.
static int refuseDescription(DescrData& d, int flags) {
  d.SetNewChar(nullptr);
  d.setFlags(flags & ~0xFFFF);
  return -1;
}

// `quiet`: the record's failure has been reported already.
static int settleDescription(DescrData& d, bool binaryRead, bool quiet) {
  int flags = d.getFlags() & kKnownDescrFlags;
  if (d.getLen() == 0) d.SetNewChar(nullptr);  // binary data of length 0: none
  if (d.getData() == nullptr) {
    d.setFlags(flags & ~0xFFFF);
    return 0;
  }
  d.setFlags(flags);
  if (flags & kDescrCompressed) {
    if (!quiet) printf("unable to unzip\n");
    return refuseDescription(d, flags);
  }
  if (d.CurDescrIsBinary() != binaryRead) {
    if (!quiet) {
      std::cerr << "Description read as " << (binaryRead ? "binary" : "text")
                << " but flagged otherwise\n";
    }
    return refuseDescription(d, flags);
  }
  // The copy kept for writing back unchanged must carry the record's final flags.
  if (flags & kDescrEncrypted) d.RememberOrig();
  return 0;
}

int ToDoListToDo::readContent(std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                              T_Calendar& cal) {
  std::string line;
  bool closed = false;
  bool binaryRead = false;
  int result = 0;
  while (result == 0 && readRawLine(is, line)) {
    if (line.empty()) continue;
    if (line[0] == '>') {
      closed = true;
      break;
    }
    if (line[0] == 'd') {
      int length = static_cast<int>(parseNumber(line.c_str() + 1));
      binaryRead = description.CurDescrIsBinary();
      result = description.ReadFromFile(length, is);
      continue;
    }
    applyRecordLine(line, nrActiveJobs);
  }
  // Settled also when the record is damaged: what was read of it may stay in the tree.
  int settled = settleDescription(description, binaryRead, result != 0);
  if (result == 0) result = settled;
  putIntoCalList(cal);
  settleSyncID(*this, idmax);
  return closed && result == 0 ? 0 : -1;
}

// ---- group records ----

// Records gather in `text`, handed to the stream whenever this much has gathered.
constexpr size_t kWriteChunk = 1 << 16;

static void handOver(std::string& text, std::ostream& os) {
  os.write(text.data(), static_cast<std::streamsize>(text.size()));
  text.clear();
}

// The group record of `g` appended to `text`: its own lines (withHeader), its to-dos and
// sub-groups (withChildren) and the closing ">" (withHeader).
static int appendGroupRecord(ToDoListGroup& g, std::string& text, std::ostream& os, bool exporting,
                             CryptMan* cm, bool withHeader, bool withChildren) {
  int result = 0;
  if (withHeader) {
    text += "g\n";
    appendText(text, 's', g.getSummary());
    if (!exporting) appendLine(text, 'I', g.getSyncID());
    if (g.getPriority() != kDefaultPriority) {
      appendLine(text, 'p', static_cast<int>(g.getPriority()));
    }
    if (!g.getShowCompleted()) text += "c0\n";
    if (!g.getCompletedLast()) text += "l0\n";
  }
  if (withChildren) {
    for (ToDoListToDo* t : g.getToDos()) {
      result |= t->appendRecord(text, os, exporting, cm);
      if (text.size() >= kWriteChunk) handOver(text, os);
    }
    for (ToDoListGroup* s : g.getGroups()) {
      result |= appendGroupRecord(*s, text, os, exporting, cm, true, true);
    }
  }
  if (withHeader) text += ">\n";
  if (!exporting) g.hasBeenSaved(true);
  return result;
}

int ToDoListGroup::writeContent(std::ostream& os, bool exporting, CryptMan* cm, bool withHeader,
                                bool withChildren) {
  std::string text;
  text.reserve(kWriteChunk + 4096);
  int result = appendGroupRecord(*this, text, os, exporting, cm, withHeader, withChildren);
  handOver(text, os);
  return result;
}

void ToDoListGroup::applyRecordLine(const std::string& line) {
  const char* value = line.c_str() + 1;
  switch (line[0]) {
    case 'I':
      syncID = parseNumber(value);
      break;
    case 's':
      summary.assign(line, 1, std::string::npos);
      summary = sanitizeName(std::move(summary));
      break;
    case 'p': {
      unsigned p = parseNumber(value);
      priority = p > 6 ? 1 : p;
      break;
    }
    case 'c':
      showCompleted = line.size() > 1 && line[1] == '1';
      break;
    case 'l':
      completedLast = line.size() > 1 && line[1] == '1';
      break;
    default:
      break;  // unknown lines are passed over
  }
}

int ToDoListGroup::readChild(char tag, const std::string* childPath, std::istream& is,
                             unsigned& nrActiveJobs, unsigned& idmax, T_Calendar& cal) {
  unsigned childID = findFreeID();
  if (tag == 'g') {
    ToDoListGroup* g = new ToDoListGroup(childID, childPath, level + 1);
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
  ToDoListToDo* t = new ToDoListToDo(childID, childPath);
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
  const std::string* childPath = nullptr;  // the same for every child: the id stays
  bool closed = false;
  while (readRawLine(is, line)) {
    if (line.empty()) continue;
    char tag = line[0];
    if (tag == '>') {
      closed = true;
      break;
    }
    if (tag == 'g' || tag == 't') {
      if (childPath == nullptr) childPath = internPath(fullPath());
      if (readChild(tag, childPath, is, nrActiveJobs, idmax, cal) != 0) break;
      continue;
    }
    applyRecordLine(line);
  }
  // Settled also when a child is damaged: an insertion keeps the part read, and an
  // identifier out of range must not reach the document's counter.
  settleSyncID(*this, idmax);
  return closed ? 0 : -1;
}
