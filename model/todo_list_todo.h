// A to-do or appointment: the leaf of the item tree.
// Priority 1 to 6 is an ordinary to-do; 100 (busy) and 200 (free) are appointments.
// Carries begin and end date-times, a recurrence rule, a completion state, recorded
// working intervals and a description. GUI thread only.
#ifndef ZOLT_MODEL_TODO_LIST_TODO_H_
#define ZOLT_MODEL_TODO_LIST_TODO_H_

#include <cstddef>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "calendar/calendar_lists.h"
#include "calendar/recurrence.h"
#include "crypt/descr_data.h"
#include "model/item_types.h"
#include "model/todo_list_item.h"
#include "model/working_times.h"

class CryptMan;
struct T_viewDataItem;

// Invariant: a to-do with a date is in at most one list of at most one T_Calendar, and
// `calPos` says which; nothing changes its dates, priority, show-as or recurrence while it
// is listed without taking it out of its list and putting it back.
class ToDoListToDo : public ToDoListItem {
 public:
  ToDoListToDo(unsigned id, const std::string& path) : ToDoListItem(id, path) {}
  // `path` is one internPath gave out.
  ToDoListToDo(unsigned id, const std::string* path) : ToDoListItem(id, path) {}
  // An empty to-do followed by operator=; the copy is in no calendar list.
  ToDoListToDo(const ToDoListToDo& o);
  // Copies description, working times, completion, show-as, running, dates, recurrence,
  // path, id, syncID, summary and priority; not hasBeenSaved and not the list position.
  // A listed target leaves its list and re-enters it (same calendar) under the new state.
  // An encrypted description is copied with the ciphertext it was read with: a copy of one
  // decrypted in memory is still written as that ciphertext (see DescrData::CopyFrom).
  ToDoListToDo& operator=(const ToDoListToDo& o);
  // Leaves the calendar list it is in, so no list keeps a dangling pointer.
  ~ToDoListToDo() override;
  bool operator==(const ToDoListToDo& o) const;
  bool operator!=(const ToDoListToDo& o) const { return !(*this == o); }

  // To-dos are carved from blocks of 2 MiB (backed by huge pages where the system allows)
  // and freed to-dos are reused: a big file holds hundreds of thousands of them, and one
  // heap allocation each, with the first touch of its page, was most of a load's time.
  // The blocks are never given back. Builds with a sanitizer use the heap instead.
  static void* operator new(size_t size);
  static void operator delete(void* p, size_t size);

  bool isAppointment() const { return priority > 6; }

  // Completion.
  bool isCompleted() const { return completedFlag; }
  int32_t getCompletedTime() const { return completedTime; }
  T_completed getCompletedDirect() const { return T_completed{completedFlag, completedTime}; }
  void setCompletedDirect(T_completed c) {
    completedFlag = c.completed;
    completedTime = c.time;
  }
  // -2 for an appointment or an open to-do; otherwise clears the flag (the time stays), 0.
  int clearCompleted();

  // Time recording.
  bool isRunning() const { return running; }
  void setRunningDirect(bool on) { running = on; }
  // Starts (opens an interval at the current time) or stops (closes the last one).
  // -1 when already in that state, else 0.
  int setRunning(bool on);
  void addTime(long begin, long end);
  unsigned getNrTimes() const { return static_cast<unsigned>(times.size()); }
  long getTimeBegin(unsigned i) const { return times[i].begin; }
  long getTimeEnd(unsigned i) const { return times[i].end; }
  // Seconds of the closed intervals; the open one of a running to-do is not counted.
  double getTimeSum() const;

  int getShowTimeAs() const { return showTimeAs; }
  // Begin when `which` is not 0, end when it is 0.
  unsigned getDateTime(int which) const { return which ? begin : end; }
  void getRecData(T_recData& r) const { r = recData; }

  // ---- Recurrence (calendar/recurrence.cpp) ----

  // Normalises dates, show-as and recurrence (begin not after end, a recurring item has
  // both dates within its recurrence's range, ...) and prints a note to standard output
  // for each recurrence it has to reset. When it changes anything, a listed to-do leaves
  // its list and re-enters it in the same calendar (it needs no calendar argument, so the
  // writer can call it).
  void sanitizeTimeThings();
  // Steps `begin` and `end` (copies of this to-do's dates, or its own) to the following
  // occurrence by this to-do's priority and recurrence: 1 when moved, 0 when there is none
  // (no recurrence, no main date, after the recurrence's last date, or past 2127-12-31);
  // the two are unchanged then.
  unsigned setFollowingRecurrenceDate(unsigned& begin, unsigned& end) const;
  // Moves `begin` and `end` (copies of this to-do's dates at one of its occurrences) on past
  // occurrences that all end before `from` (a day, time half 0), in one jump: a series
  // begun years ago need not be stepped through up to a calendar's first day. They land on
  // a later occurrence with the very dates single steps give it. 1 when moved; 0 when they
  // stay (nothing to pass over that a step would not, no dates, or the daily resetable
  // type); -1 when a step on the way would fail, so no occurrence ends on `from` or later.
  int skipOccurrencesBefore(unsigned from, unsigned& begin, unsigned& end) const;
  // Completes the to-do: -2 for an appointment or a completed to-do; -1 (nothing changes)
  // when the recurrence begins after today; 1 when it moved to its following occurrence;
  // 0 when it was marked completed now. Running time recording stops.
  int setCompleted(T_Calendar& cal);
  // Stores `r` (an interval below 1 becomes 1, an unknown type 0) and normalises; the
  // to-do ends up listed in `cal` by its new state.
  void setRecData(T_recData r, T_Calendar& cal);

  // ---- Calendar lists (calendar/calendar_lists.cpp) ----

  // Enters the list its priority, recurrence type and dates call for (none when neither
  // date carries a date); a new dated entry stands before entries with an equal key. A
  // to-do that is listed somewhere leaves that place first.
  void putIntoCalList(T_Calendar& cal);
  // Leaves the list it is in; nothing happens when it is in none. The entry is erased from
  // the calendar the to-do was listed in, which is `cal` whenever the caller keeps one.
  void removeFromCalLists(T_Calendar& cal);
  // The calendar and list it is in (null and kNone when in none).
  T_Calendar* getListingCalendar() const { return calPos.cal; }
  CalList getCalList() const { return calPos.list; }

  // Setters that keep the lists right: each leaves the list, changes, normalises and puts
  // the to-do into `cal`. `which` is 1 for the begin, 0 for the end. setDate and setTime
  // refuse (-1, nothing changes) a day outside 2000-01-01..2127-12-31 or a time outside
  // 00:00..23:59; else 0.
  int setDate(int which, int year, int month, int day, T_Calendar& cal);
  int setTime(int which, int hour, int minute, T_Calendar& cal);
  void clearDate(int which, T_Calendar& cal);
  void clearTime(int which, T_Calendar& cal);
  // The same without normalising: dates carried over unchanged from another item.
  int setDateDontCheck(int which, int year, int month, int day, T_Calendar& cal);
  int setTimeDontCheck(int which, int hour, int minute, T_Calendar& cal);
  // Refuses (-1, nothing changes) a priority above 6 other than 100 and 200; else 0.
  int setPriority(unsigned p, T_Calendar& cal);
  // Stores v; for an appointment also the priority: 100 when v is not 0, 200 when it is.
  void setShowTimeAs(int v, T_Calendar& cal);

  // ---- View rows ----

  // Fills isGroup, priority, text, completed, date and second date of `row` from this
  // to-do; day and the two day flags are left as they are. `keys` may be null (an
  // encrypted description then shows as "<encrypted>").
  void setViewData(T_viewDataItem& row, CryptMan* keys);
  // The parts of setViewData: every field but the text, and the text (the summary, else
  // the description's first line, "<encrypted>" while it is locked). The calendar makes
  // the text only of the rows it reads.
  void setViewFields(T_viewDataItem& row) const;
  std::string viewText(CryptMan* keys);

  // Description.
  void setDescription(const char* text) { description.SetNewChar(text); }
  void setDescription(const DescrData* d) { description.CopyFrom(d); }
  int GetDescription(const char*& out, CryptMan* cm) { return description.GetDescription(out, cm); }
  void SetSaveCrypt(bool on) { description.SetSaveCrypt(on); }
  int OpenDescriptionAnyway(CryptMan* cm) { return description.OpenAnyway(cm); }

  // The UID of the iCalendar item this to-do was imported from ("" for none), so that
  // importing the same item again updates it. Stored as the record's "U" line.
  const std::string& getImportUid() const;
  // Control characters are left out: the UID is kept on one line. "" forgets it.
  void setImportUid(const std::string& uid);
  // Takes what an import of this item says now: summary, priority, show-as, dates,
  // recurrence and completion of `o`. Identity, recorded times, running state, description
  // and import UID stay. A listed to-do is listed again under its new dates.
  void takeImportedFields(const ToDoListToDo& o);
  const DescrData& getDescrData() const { return description; }

  // True when the summary, or the readable description, contains `text` with case and
  // canonical form ignored: both are compared in their Unicode NFKC case folding
  // (util/text_fold.h; text that is not UTF-8 has only its ASCII letters folded). The
  // description counts up
  // to its first NUL and is asked through GetDescription: with `cm` logged in an encrypted
  // one is decrypted in place and searched, otherwise it is not searched. `cm` may be
  // null. An empty `text` is contained in everything.
  bool containsText(const std::string& text, CryptMan* cm);

  // The record of this to-do in the data file grammar. Returns 0, or -1 when the
  // description could not be written in its required form (the record is still complete).
  // Marks the to-do saved unless exporting.
  int writeContent(std::ostream& os, bool exporting, CryptMan* cm);
  // The same record appended to `text`, for writers that hand many records to the stream
  // at once. A description in the binary form is written to `os` at once, with `text`
  // before it (which is then empty). Result and marking as writeContent.
  int appendRecord(std::string& text, std::ostream& os, bool exporting, CryptMan* cm);
  // Reads one record whose "t" line has been consumed. 0, or -1 when the record is damaged
  // or the stream ends before its ">" line.
  [[nodiscard]] int readContent(std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                                T_Calendar& cal);

 private:
  void applyRecordLine(const std::string& line, unsigned& nrActiveJobs);

  friend struct T_Calendar;  // resets calPos when the calendar goes first

  void copyFields(const ToDoListToDo& o);
  template <typename Change>
  void changeListed(T_Calendar& cal, bool sanitize, Change change);

  // In this order the fields fill the base class's tail and each other's gaps: a big file
  // holds a million to-dos, and every byte of one is a megabyte cleared and read.
  bool running = false;
  bool completedFlag = false;  // the completion state, held as two fields to fill gaps
  int showTimeAs = 0;          // 0 free, 1 busy
  unsigned begin = kEmptyDateTime;
  unsigned end = kEmptyDateTime;
  int32_t completedTime = 0;
  T_recData recData;
  WorkingTimes times;
  DescrData description;
  std::unique_ptr<std::string> importUid;  // null for the many to-dos not imported
  T_CalListPos calPos;                     // where this to-do is listed; never copied
};

#endif  // ZOLT_MODEL_TODO_LIST_TODO_H_
