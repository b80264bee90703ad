// The document: owns the item tree, the key manager, the calendar lists, the special days
// and the rows of the list view; remembers where the user stands in the tree and which
// view is shown; reads and writes the master data file. Every user action is one
// operation of this class. GUI thread only.
//
// Invariants: the current group path names the current group (while the search results
// are shown, the search group); the number of active jobs equals the running to-dos of
// the tree after every operation; rows, row items and the row order have one entry per
// made row, and the row order is a permutation of the row indices; the calendar's lines
// that follow them are made when read (calendarLines), and their row index is their line.
#ifndef ZOLT_DOCUMENT_ZOLT_H_
#define ZOLT_DOCUMENT_ZOLT_H_

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "calendar/calendar_lists.h"
#include "calendar/holidays.h"
#include "crypt/crypt_man.h"
#include "document/undo_history.h"
#include "document/view_data.h"
#include "model/todo_list_group.h"

class CalendarLines;

struct T_MarkerLine;  // a line of the compaction marker (store/journal.cpp)

class Zolt {
 public:
  Zolt();
  ~Zolt();
  Zolt(const Zolt&) = delete;
  Zolt& operator=(const Zolt&) = delete;

  // Makes the empty root group (id 0, path "/", level 0) the current group. Returns 0.
  int createRoot();
  // Reads the master data file into the tree. 0 when read or when the file does not exist
  // (an empty document); -1 when it is damaged (what was read so far stays).
  // REQUIRES: createRoot() was called and nothing else was read yet.
  [[nodiscard]] int readData(const char* fileName);
  // Writes the whole document to `fileName` through a new file that replaces the old one
  // only once it is complete and on disk. 0 on success; -1 on any failure, and then the
  // previous file is untouched.
  [[nodiscard]] int writeData(const char* fileName);

  ToDoListGroup* getRoot() const { return root; }  // owned by the document
  ToDoListGroup* getCurGroup() const { return curGroup; }
  ToDoListToDo* getCurItem() const { return curItem; }
  unsigned getIdmax() const { return idmax; }
  CryptMan& getKeys() { return keys; }
  // The master file as the file system knows it (through links), which the journal files
  // are named after; and the name as given to readData.
  const std::string& getJournalBase() const { return journalBase; }
  const std::string& getMasterFileName() const { return typedJournalBase; }
  SpecialDays& getSpecialDays() { return *specialDays; }
  const T_Calendar& getCalendar() const { return calendar; }

  // ---- Position in the tree ----

  // Makes `g` the current group; the path becomes g's full path.
  // REQUIRES: `g` belongs to this document's tree.
  void setGroup(ToDoListGroup* g);
  // setGroup with the group row `row` (an index into the rows) stands for. -1 (nothing
  // changes) when there is no such row or it stands for no group; else 0.
  int setGroup2ViewItem(int row);
  // Makes the to-do that row `row` stands for the current item. -1 (nothing changes) when
  // there is no such row or it stands for no to-do; else 0.
  int setItem2ViewItem(int row);
  // Sets the current item directly. `t` is not owned; it belongs to the tree.
  void setItem(ToDoListToDo* t) { curItem = t; }
  const std::string& getCurGroupPath() const { return curGroupPath; }
  // Goes to the parent group; in the search results view, back to where the search
  // started (the search group is deleted). 0 done; -1 in the root or in views 1 and 3.
  int leaveCurGroup();
  // Saves the current group as the position enterPrevGroup() goes back to.
  void rememberGroup();
  // Saves the current item's own group instead. Nothing happens without a current item.
  void rememberGroupOfCurrentItem();
  // Goes back to the saved position; nothing happens when none was saved.
  void enterPrevGroup();
  // True in the root and in the active-jobs view: there is no group to edit.
  bool inRootGroup() const;
  // "Active jobs" in view 1; else the names of the groups from the root down to the
  // current group, one per line ("" in the root).
  std::string getCurGroupPathText() const;
  // Switches the main view (kMainView*). v = 1 saves the present type and switches only
  // while a job runs; v = 4 goes back to the saved type. 0 when v differs from the type
  // before the call, -1 when it is the same.
  int setMainViewType(int v);
  int getMainViewType() const { return options.mainViewType; }

  // ---- Creating, deleting and transforming items (document/item_operations.cpp) ----
  // Each returns 0 on success and -1 when refused; a refusal changes nothing (except
  // delCompleted, whose deletions before a failure stay). Deletions write their journal
  // records (only for items that have been saved, except turnCurItem2Group's) and drop
  // the rows of what they delete, so no row names a freed item; rebuild the view after.

  // Creates a sub-group of the current group and enters it. Normal view only.
  int newGroup();
  // Whether newGroup (or, with `forCurrentToDo`, turnCurItem2Group) is refused because
  // its group lies at the deepest level the readers accept.
  bool atGroupDepthLimit(bool forCurrentToDo);
  // Normal view: a new to-do in the current group. Calendar view: a new item on the day
  // of row `row` (an index into the rows) in the group "calendar" below the root, which is
  // created on first use: priority 100 a busy appointment 08:00-08:30, 200 a free
  // appointment with an empty summary, any other priority up to 6 a to-do due that day.
  // The new item becomes the current item; the current group stays as it was. Refused in
  // other views, for a row whose day carries no date, and for a priority the item could
  // not take.
  int newToDo(unsigned priority, unsigned row);
  // After the new calendar item of the last newToDo was taken back untouched (delToDo),
  // removes the group "calendar" again when that newToDo made it and it is still empty,
  // journalling the removal as its making was journalled. 0 done or nothing to remove; the
  // journal's result when it could not take the removal.
  int dropCalendarGroupOfNewItem();
  // Deletes the current item (normal and calendar view) from the group that holds it,
  // which in the flat view may lie below the current group; the current item becomes
  // null.
  int delToDo();
  // Deletes the current group with its subtree and goes to its parent (normal view, not
  // the root); the rows, which showed its content, are emptied.
  int delCurGroup();
  // Deletes every completed to-do (priority 1 to 6) the rows show, each once however many
  // rows show it. -1 when a to-do could not be found in the tree (the deletions before it
  // stay).
  int delCompleted();
  // Replaces the current to-do by a new group named after it that holds a copy of it, in
  // the to-do's own group, and enters that group; the copy becomes the current item.
  // Normal view only.
  int turnCurItem2Group();

  // ---- Undo and redo (document/undo_history.h) ----
  // Reverts the last change of the session, or makes the last undone change again, as an
  // ordinary journalled change. 0, or UndoHistory::kNothing, kStale or kNotJournalled.
  int undo() { return history.undo(); }
  int redo() { return history.redo(); }
  UndoHistory& getUndoHistory() { return history; }

  // ---- Options and per-group view flags ----

  t_viewtype getOptViewtype() const { return options.viewtype; }
  int setOptViewtype(t_viewtype t);
  int getOptsSort() const { return options.sort; }
  void setOptsSort(int sort) { options.sort = sort; }
  bool getOptShowCompleted() const { return options.showCompleted; }
  int setOptShowCompleted(bool on);
  bool getOptCompletedLast() const { return options.completedLast; }
  int setOptCompletedLast(bool on);
  bool getOptShowKbd() const { return options.showKbd; }
  int setOptShowKbd(bool on);
  int getCalSpan() const { return calendar.span; }
  void setCalSpan(int span) { calendar.span = span; }
  unsigned getCalFirstDay() const { return calendar.firstDay; }
  void setCalFirstDay(unsigned day) { calendar.firstDay = day; }
  // The current group's own flags; the toggles return the new value and journal the
  // group's changed record.
  bool getGroupShowCompleted() const { return curGroup->getShowCompleted(); }
  bool getGroupCompletedLast() const { return curGroup->getCompletedLast(); }
  bool toggleGroupShowCompleted();
  bool toggleGroupCompletedLast();

  // ---- Forwarding to the current item ----
  // Each calls the like-named operation of the current item, with the document's calendar
  // where it takes one, and returns its result. Without a current item the setters do
  // nothing (those with a result return -1) and the getters give empty values.

  std::string getItemSummary() const;
  void setItemSummary(const std::string& s);
  // The item's result when not 0 (1: still encrypted); else -1 when there is no text, 0
  // when `text` points at it. `text` belongs to the item and lives until its next change.
  int getItemDescription(const char*& text);
  void setItemDescription(const char* text);
  // Opens the current item's description that the logged-in key leaves shut, whatever it
  // decrypts to (DescrData::OpenAnyway). 0 when opened, else -1.
  int openItemDescriptionAnyway();
  unsigned getItemPriority() const;
  int setItemPriority(unsigned p);
  int getShowTimeAs() const;
  void setShowTimeAs(int v);
  bool isItemCompleted() const;
  long getItemCompletedTime() const;
  int clearItemCompleted();
  // Completes the item (a recurring one moves to its next occurrence); a job it stops
  // leaves the count of active jobs.
  int setItemCompleted();
  bool isItemRunning() const;
  // Starts or stops time recording; the count of active jobs follows when it returns 0.
  int setItemRunning(bool on);
  unsigned getItemNrTimes() const;
  // REQUIRES: i < getItemNrTimes().
  long getItemTimeBegin(unsigned i) const;
  long getItemTimeEnd(unsigned i) const;
  double getItemTimeSum() const;
  // `which` 0 is the end, 1 the begin.
  unsigned getDateTime(int which) const;
  int setDate(int which, int year, int month, int day);
  void clearDate(int which);
  int setTime(int which, int hour, int minute);
  void clearTime(int which);
  int setDateToday(int which);
  void getRecData(T_recData& r) const;
  void setRecData(const T_recData& r);
  // Recurrence type 0, interval 1, no first or last date.
  void clearRecData();
  void sanitizeTimeThings();

  // ---- Forwarding to the current group and the root ----

  std::string getGroupSummary() const { return curGroup->getSummary(); }
  void setGroupSummary(const std::string& s) { curGroup->setSummary(s); }
  unsigned getGroupPriority() const { return curGroup->getPriority(); }
  void setGroupPriority(unsigned p) { curGroup->setPriority(p); }
  void getGroupCompletedNr(unsigned& done, unsigned& total) const {
    curGroup->getCompletedNr(done, total);
  }
  double getGroupTimeSum() const { return curGroup->getTimeSum(); }
  // Recomputes the completed state of every group.
  bool checkCompleted() { return root->checkCompleted(); }

  unsigned getNrActiveJobs() const { return nrActiveJobs; }
  // w != 0: stores w and h (half the window size); w == 0: returns the stored values.
  void windowSize(unsigned& w, unsigned& h);
  // The first visible line of the normal and of the calendar list, kept in the data file.
  unsigned getNLineNormal() const { return nLineNormal; }
  unsigned getNLineCal() const { return nLineCal; }
  void setNLineNormal(unsigned line) { nLineNormal = line; }
  void setNLineCal(unsigned line) { nLineCal = line; }

  // The list positions of the group levels entered in the tree view, one pair per level
  // above the current one: the first visible line and the selected line.
  void pushListPosition(int firstLine, int selected);
  // Pops the last level's pair; false, with both 0, when no level is stored.
  bool popListPosition(int& firstLine, int& selected);
  void clearListPositions();

  // ---- The rows of the list view (document/view_builder.cpp, calendar_view.cpp) ----
  // For every redraw: clearViewData, copy the group flags into the options, getContent,
  // sortContent. Then the n-th line shows getRows()[getRowOrder()[n]], which is
  // lineRow(n). The calendar makes rows only when their lines are read through the line
  // readers, a page of one day at a time; getRows, getRowItems and getRowOrder make every
  // row first (millions in a long calendar of many items), so a list reads the lines.

  // Builds rows, row items and row order for the main view type (appending to what is
  // there; the search results view rebuilds its rows from the kept row items).
  void getContent();
  // Frees the rows; in the search results view the rows stay (they are the hits).
  void clearViewData();
  // Sorts the row order: stable, by cmpViewDataCal in the calendar, else cmpViewData.
  void sortContent();
  // True when row i must stand after row j (REQUIRES: both are row indices).
  bool cmpViewData(unsigned i, unsigned j) const;
  bool cmpViewDataCal(unsigned i, unsigned j) const;
  const std::vector<T_viewDataItem>& getRows() const {
    makeAllRows();
    return rows;
  }
  // The group or to-do each row stands for (null for rows of no item); not owned.
  const std::vector<ToDoListItem*>& getRowItems() const {
    makeAllRows();
    return rowItems;
  }
  const std::vector<unsigned>& getRowOrder() const {
    makeAllRows();
    return rowOrder;
  }

  // The view line by line, for a list that reads only the lines it shows. Lines count
  // from 0 in display order; the row index of a line is what setItem2ViewItem and its kin
  // take. REQUIRES for the line readers: line < lineCount(). A line's row lives until the
  // view is rebuilt or a row is dropped, or getRows and its kin make every row.
  size_t lineCount() const;
  unsigned rowIndexOfLine(size_t line) const;
  const T_viewDataItem& lineRow(size_t line) const;
  ToDoListItem* lineItem(size_t line) const;
  // The first line from `from` on that shows `item`, else the last line before `from`
  // that shows it; -1 when none does. The calendar looks only at days the item is on.
  long findLineOf(const ToDoListItem* item, size_t from) const;
  // The rows held in memory; for the tests and the benchmark.
  size_t rowsMade() const;

  // ---- Search (document/search.cpp) ----

  // Normal view: finds every to-do of the current group and of the groups below it whose
  // summary or readable description contains `text`, ignoring the case of ASCII letters,
  // and shows them in the search results view: the current group becomes a new empty
  // group "search results" below the root, the row items are the results (last found
  // first), and leaveCurGroup() goes back to where the search started. In the search
  // results view: keeps only the results that also contain `text`. An encrypted
  // description is searched only while the keys are logged in, and then stays decrypted
  // in memory. An empty `text` matches every to-do. 0 done; -1 in the active-jobs and
  // calendar views, where nothing changes.
  int search(const std::string& text);

  // ---- Export and insertion (store/export_import.cpp) ----
  // An export file holds the data file's first three lines, item records without
  // synchronisation identifiers, and "</data>"; encrypted descriptions stay encrypted. An
  // export replaces `fileName` only once the new content is complete and on disk, and
  // changes nothing in the document. Copy is an export to the exchange file, paste an
  // insertion from it.

  // The current item's record. 0 written; -1 without a current item or when the file
  // cannot be written.
  [[nodiscard]] int exportToDoToFile(const char* fileName);
  // The records of the current group's to-dos and sub-groups, not of the group itself; in
  // the search results view, the results in the order found. 0 written; -1 in the
  // active-jobs view (nothing is written) or when the file cannot be written.
  [[nodiscard]] int exportContentToFile(const char* fileName);
  // The current group's record with everything below it; in the search results view, a
  // group "search results" holding the results. Results as exportContentToFile.
  [[nodiscard]] int exportGroupToFile(const char* fileName);

  // insertDataFromFile's result for a file holding a damaged record.
  static constexpr int kInsertDamaged = -4;
  // Inserts every group and to-do record of `fileName` into the current group; settings
  // and a key block in the file are passed over. Identifiers the file brings are kept
  // unless already used in the tree (such items get fresh ones), and idmax is raised past
  // every one. The current group stays; the current item becomes the last inserted to-do.
  // 0 done; -1 outside the normal view (nothing is read); -3 the file cannot be opened;
  // -2 it ends without "</data>" (what was read stays); kInsertDamaged a record is damaged
  // (what was read of it stays and the rest of the file is read on; this wins over -2).
  // For -2 and kInsertDamaged, `where` (when not null) receives "file:line: what went
  // wrong".
  // The insertion is one change: everything it put into the tree, whatever the result, is
  // journalled as one new-item record written once the file is read, so a kill at any
  // instant leaves the journal with all of it or none of it. A damaged file therefore
  // inserts what could be read, all at once, as it always did; reading it to the end
  // before writing anything is what keeps it whole. When the record cannot be written the
  // items stay in memory only, as with any change whose record failed.
  [[nodiscard]] int insertDataFromFile(const char* fileName, std::string* where = nullptr);

  // ---- Passwords (document/passwords.cpp) ----

  // Makes the password records added since the key manager held `nPwdsBefore` of them
  // durable before any description can be encrypted under them: the master file is
  // written at once (the journal folded in). When that fails, the new records are dropped
  // again, with the master key they brought when there was none before (`hadMasterKey`
  // false), so that no ciphertext is journalled under a key block that is not on disk.
  // 0 when nothing was new or the write succeeded; -1 after dropping them.
  [[nodiscard]] int storeAddedPasswords(int nPwdsBefore, bool hadMasterKey);
  // Right after a login: a description marked for encryption that is held in clear can only
  // have been read so from the file (older versions wrote such when turning a to-do into a
  // group); the master file is then written at once, which encrypts it. 0 when there was
  // none or the write succeeded; -1 when it failed (the next full save tries again).
  int sealClearDescriptions();

  // ---- Inserting a group built apart from the tree (document/insert_group.cpp) ----

  // insertGroup's result when the group is in the tree but its journal record could not be
  // written: the change lives in memory until the next full save.
  static constexpr int kInsertNotJournalled = -2;
  // Adds a copy of `built` (a group made outside the tree, with its whole subtree) below
  // the current group as one change: every copied group and to-do gets a fresh
  // synchronisation identifier, the to-dos enter the calendar lists, and one new-item
  // record holding the whole group is journalled. `built` stays the caller's; its to-dos
  // may be listed in a scratch calendar of the caller's. The current group and item stay.
  // `inserted` (when not null) receives the new group. 0 done; -1 in the search results
  // view (nothing changes); kInsertNotJournalled as said.
  int insertGroup(const ToDoListGroup& built, ToDoListGroup** inserted = nullptr);

  // ---- The journal: one small file per change, replayed at the next start. ----
  // Journal file n is the master file's name followed by n; the journal is the unbroken
  // run from 0. Each file is written under a temporary name, synced and then given its
  // name only where no file of that name exists, so a journal file is always whole and
  // never replaces another file. A file under a journal name is taken for one only by its
  // content; any other is passed over and left alone. The writers return 0 once the record is on
  // disk and -1 when it could not be written (the change then lives in memory only, which
  // they also report on standard error).

  // Replays the journal into the tree and removes temporary files a crash left behind.
  // 0 when no record was applied, 1 when at least one was, -1 when a file is damaged
  // (`errorFile` then names it; records of earlier files stay applied in memory).
  [[nodiscard]] int incsave_readFiles(std::string& errorFile);
  // After incsave_readFiles returned -1: which record of the file could not be applied and
  // why ("line 4: <deleted>: no item has the identifier 17").
  const std::string& incsave_replayProblem() const { return replayProblem; }
  // The recovery: replays as incsave_readFiles does, but a journal file whose record cannot
  // be applied is copied whole to the end of incsave_setAsideName() (made durable before
  // the file may go) and the replay goes on with the next file. `setAsideCount` receives
  // how many were set aside. 1 when a record was applied or a file set aside (the start
  // then writes the master file and removes the journal), 0 when neither, -1 when the set-aside
  // file or a journal file cannot be written or read (it stops there; every file stays).
  [[nodiscard]] int incsave_recoverFiles(int& setAsideCount);
  // The file beside the master file that keeps what could not be applied.
  std::string incsave_setAsideName() const { return journalBase + ".unapplied"; }
  // Number of journal files this document holds (read at the start or written since).
  int incsave_getNrOfFiles() const { return static_cast<int>(journalFiles.size()); }
  // Removes the journal files this document holds. Returns 0; a file that cannot be
  // removed is named in incsave_notices().
  int incsave_delFiles();
  // What the last replay, recovery or compaction has to tell the user besides its result
  // (files set aside, files under a journal name that are not Zolt's, files that could not
  // be removed), one sentence each. Cleared by the next of them.
  const std::vector<std::string>& incsave_notices() const { return journalNotices; }
  // Why readData failed when the file could not be read (empty when it was read but is
  // damaged).
  const std::string& getReadError() const { return readError; }
  // Writes the whole document to `fileName` (as writeData) and then removes the journal
  // files. A marker holding the new file's fingerprint is written before the new file
  // replaces the old one and removed last, so that a start after a crash in between can
  // tell whether the master file already holds the journal. Returns writeData's result;
  // on -1 the journal stays.
  [[nodiscard]] int incsave_compact(const char* fileName);
  // Remembers a copy of the current item, for incsave_todoHasChanged; clears the new flag.
  void incsave_rememberTodo();
  // True when the current item differs from the remembered copy, or it is new.
  bool incsave_todoHasChanged() const;
  void incsave_forgetTodo();
  void incsave_rememberGroup();
  bool incsave_groupHasChanged() const;
  void incsave_forgetGroup();
  // The item being edited was just created: its record will be a new-item record.
  void incsave_newItem() { newItemFlag = true; }
  // Writes a changed-item or new-item record for the current item or group (nothing for
  // the search results group, which is never stored; the result is then 0).
  [[nodiscard]] int incsave_saveCurItem();
  [[nodiscard]] int incsave_saveCurGroup();
  // Writes a changed-item record of the current group, for its own flags; nothing (0) for
  // the search results group and for a group that no record holds yet (its new-item
  // record will carry the flags).
  [[nodiscard]] int incsave_saveGroupFlags();
  // Writes a deleted-item record.
  [[nodiscard]] int incsave_deleted(unsigned syncID);
  // Writes a new-item record: `item` (a group with its children when `withChildren`, or a
  // to-do) below the group with synchronisation identifier `parentSyncID`.
  [[nodiscard]] int incsave_newRecord(unsigned parentSyncID, ToDoListItem* item, bool withChildren);
  // True once a journal record could not be written in this run.
  bool incsave_failed() const { return journalFailed; }

 private:
  int writeMaster(const char* fileName,
                  const std::function<bool(const std::string&)>& beforeCommit);
  // Journal helpers.
  std::string journalFileName(int n) const;
  std::vector<int> journalNumbersOnDisk() const;
  int settleCompactionMarker();
  void finishCompaction(const std::string& marker, const T_MarkerLine& line);
  std::vector<int> removeCoveredFiles(int below);
  void adoptJournalOfTypedName();
  int readJournal(bool recover, int& setAsideCount, std::string& errorFile);
  int replayRun(int first, bool recover, int& setAsideCount, std::string& errorFile);
  int setAsideStaleFiles(int first, std::string& firstStale);
  int setAside(const std::vector<std::pair<std::string, std::string>>& blocks);
  int incsave_commit(const std::string& record);
  void incsave_writeRecord(std::ostream& os, ToDoListItem* item, bool withChildren);
  int incsave_saveItem(ToDoListItem* item, ToDoListGroup* parent);
  void removeJournalLeftovers();
  void readHeaderLine(const std::string& line, std::istream& is, int& result,
                      std::string& endOfHeader, bool& journalTyped);
  void writeHeader(std::ostream& os);
  void settleCurrentGroup();
  void giveDuplicatesFreshSyncIDs();

  // Item operation helpers.
  unsigned nextSyncID() { return ++idmax; }
  ToDoListGroup* groupHolding(ToDoListToDo* t);
  // The group "calendar" below the root, made (and journalled) when there is none; `made`
  // tells which.
  ToDoListGroup* calendarGroup(bool& made);
  void fillCalendarItem(ToDoListToDo* t, unsigned priority, unsigned day);
  // The rows that show an item `shows` picks, found while the items live: for each made
  // row 0 when it does, else -1 (the form dropDeletedRows takes), and the calendar's looks.
  struct RowMarks {
    std::vector<long> ofRow;
    std::vector<unsigned> looks;
  };
  RowMarks markRowsShowing(const std::function<bool(const ToDoListItem*)>& shows) const;
  void dropMarkedRows(const RowMarks& marks);
  void dropDeletedRows(const std::vector<long>& ofRow, const std::vector<bool>& deleted);
  void copyIntoNewToDo(const ToDoListToDo& from, ToDoListToDo* to);
  void forgetPositionsBelow(const std::string& fullPath);

  // Search helpers.
  // The search group while it is shown and holds nothing of the user's: no file and no
  // journal record may carry it. Null otherwise.
  const ToDoListGroup* transientSearchGroup() const;
  void dropStaleSearchGroup();
  void showSearchResults(const std::vector<ToDoListToDo*>& found);
  std::vector<ToDoListToDo*> searchResultsInFoundOrder() const;

  // Insertion helpers.
  int insertRecord(char tag, std::istream& is, std::unordered_set<unsigned>& usedIDs);
  void copyBuiltChildren(const ToDoListGroup& from, ToDoListGroup* to);

  // View building helpers.
  void getSearchContent();
  void getCalendarContent();
  // Makes the calendar's lines rows like any other, in display order.
  void makeAllRows() const;
  void dropAllRows();
  // The rows by row index, the calendar's lines included (made when read).
  size_t rowCount() const;
  const T_viewDataItem& rowAt(size_t row) const;
  ToDoListItem* itemAt(size_t row) const;

  // View state. The rows are made by the readers that are const, hence mutable.
  mutable std::vector<T_viewDataItem> rows;
  mutable std::vector<unsigned> rowOrder;       // display order: indices into rows
  mutable std::vector<ToDoListItem*> rowItems;  // parallel to rows; not owned
  // The calendar's lines after the rows; null outside the calendar and once made rows.
  mutable std::unique_ptr<CalendarLines> calendarLines;
  unsigned nLineCal = 0;
  unsigned nLineNormal = 0;
  std::vector<int> oldPosInList;  // first visible line per entered group level
  std::vector<int> selectedLine;  // selected line per entered group level

  CryptMan keys;
  ToDoListGroup* root = nullptr;         // owned
  ToDoListGroup* searchGroup = nullptr;  // a child of the root while view 2 is shown
  ToDoListToDo* curItem = nullptr;       // the to-do item operations act on
  std::unique_ptr<SpecialDays> specialDays;

  unsigned nrActiveJobs = 0;
  unsigned idmax = 0;
  unsigned idmaxaftersync = 0;
  T_Options options;
  T_Calendar calendar;
  unsigned winWidth = 320;   // half the main window's width
  unsigned winHeight = 320;  // half the main window's height

  std::string prevGroupPath;  // the position enterPrevGroup() goes back to
  ToDoListGroup* prevGroup = nullptr;
  // The group "calendar" when the last newToDo made it for its new item; not owned.
  ToDoListGroup* calendarGroupOfNewItem = nullptr;
  std::string preSearchGroupPath;  // the position before the search results were shown
  ToDoListGroup* preSearchGroup = nullptr;
  std::string curGroupPath;
  ToDoListGroup* curGroup = nullptr;

  // Journal state.
  std::string journalBase;  // the master file's resolved name; journal files are named after it
  std::string typedJournalBase;  // the name as given, which older versions named them after
  std::string replayProblem;     // see incsave_replayProblem
  int journalCount = 0;     // the number the next journal file is tried under
  std::vector<int> journalFiles;  // numbers of the journal files this document holds
  std::vector<std::string> journalNotices;  // see incsave_notices
  std::string readError;                    // see getReadError
  bool journalFailed = false;
  bool newItemFlag = false;
  ToDoListToDo* rememberedTodo = nullptr;    // owned copy
  ToDoListGroup* rememberedGroup = nullptr;  // owned copy

  // The states before and after each change, for undo; it reads the journal state above.
  friend class UndoHistory;
  UndoHistory history{*this};
};

#endif  // ZOLT_DOCUMENT_ZOLT_H_
