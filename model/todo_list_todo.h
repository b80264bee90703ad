// A to-do or appointment: the leaf of the item tree.
// Priority 1 to 6 is an ordinary to-do; 100 (busy) and 200 (free) are appointments.
// Carries begin and end date-times, a recurrence rule, a completion state, recorded
// working intervals and a description. GUI thread only.
#ifndef ZOLT_MODEL_TODO_LIST_TODO_H_
#define ZOLT_MODEL_TODO_LIST_TODO_H_

#include <istream>
#include <ostream>
#include <vector>

#include "calendar/calendar_lists.h"
#include "calendar/recurrence.h"
#include "crypt/descr_data.h"
#include "model/item_types.h"
#include "model/todo_list_item.h"

class CryptMan;

class ToDoListToDo : public ToDoListItem {
 public:
  ToDoListToDo(unsigned id, std::string path);
  // An empty to-do followed by operator=.
  ToDoListToDo(const ToDoListToDo& o);
  // Copies description, working times, completion, show-as, running, dates, recurrence,
  // path, id, syncID, summary and priority; not hasBeenSaved.
  ToDoListToDo& operator=(const ToDoListToDo& o);
  bool operator==(const ToDoListToDo& o) const;
  bool operator!=(const ToDoListToDo& o) const { return !(*this == o); }

  bool isAppointment() const { return priority > 6; }

  // Completion.
  bool isCompleted() const { return completed.completed; }
  int32_t getCompletedTime() const { return completed.time; }
  T_completed getCompletedDirect() const { return completed; }
  void setCompletedDirect(T_completed c) { completed = c; }
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

  // Description.
  void setDescription(const char* text) { description.SetNewChar(text); }
  void setDescription(const DescrData* d) { description.CopyFrom(d); }
  int GetDescription(const char*& out, CryptMan* cm) { return description.GetDescription(out, cm); }
  void SetSaveCrypt(bool on) { description.SetSaveCrypt(on); }
  const DescrData& getDescrData() const { return description; }

  // The record of this to-do in the data file grammar. Returns 0, or -1 when the
  // description could not be written in its required form (the record is still complete).
  // Marks the to-do saved unless exporting.
  int writeContent(std::ostream& os, bool exporting, CryptMan* cm);
  // Reads one record whose "t" line has been consumed. 0, or -1 when the record is damaged
  // or the stream ends before its ">" line.
  [[nodiscard]] int readContent(std::istream& is, unsigned& nrActiveJobs, unsigned& idmax,
                                T_Calendar& cal);

 private:
  void applyRecordLine(const std::string& line, unsigned& nrActiveJobs);

  std::vector<T_workingTimes> times;
  T_completed completed;
  int showTimeAs = 0;  // 0 free, 1 busy
  bool running = false;
  unsigned begin = kEmptyDateTime;
  unsigned end = kEmptyDateTime;
  T_recData recData;
  DescrData description;
};

#endif  // ZOLT_MODEL_TODO_LIST_TODO_H_
