// The document: owns the item tree, the key manager and the calendar, remembers where the
// user stands in the tree and which view is shown, and reads and writes the master data
// file. Every user action is one operation of this class. GUI thread only.
#ifndef ZOLT_DOCUMENT_ZOLT_H_
#define ZOLT_DOCUMENT_ZOLT_H_

#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "calendar/calendar_lists.h"
#include "crypt/crypt_man.h"
#include "document/view_data.h"
#include "model/todo_list_group.h"

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
  // Sets the current item directly. `t` is not owned; it belongs to the tree.
  void setItem(ToDoListToDo* t) { curItem = t; }
  const std::string& getCurGroupPath() const { return curGroupPath; }
  // Makes `g` the current group. REQUIRES: `g` belongs to this document's tree.
  void setGroup(ToDoListGroup* g);
  unsigned getIdmax() const { return idmax; }
  unsigned getNrActiveJobs() const { return nrActiveJobs; }
  CryptMan& getKeys() { return keys; }
  const std::string& getJournalBase() const { return journalBase; }

  int getMainViewType() const { return options.mainViewType; }
  t_viewtype getOptViewtype() const { return options.viewtype; }
  int getOptsSort() const { return options.sort; }
  bool getOptShowKbd() const { return options.showKbd; }
  int getCalSpan() const { return calendar.span; }
  void setCalSpan(int span) { calendar.span = span; }
  unsigned getCalFirstDay() const { return calendar.firstDay; }
  void setCalFirstDay(unsigned day) { calendar.firstDay = day; }
  // w != 0: stores w and h (half the window size); w == 0: returns the stored values.
  void windowSize(unsigned& w, unsigned& h);
  unsigned getNLineNormal() const { return nLineNormal; }
  unsigned getNLineCal() const { return nLineCal; }

  // ---- The journal: one small file per change, replayed at the next start. ----
  // Journal file n is the master file's name followed by n; the journal is the unbroken
  // run from 0. Each file is written under a temporary name, synced and then renamed, so a
  // file under a journal name is always whole. The writers return 0 once the record is on
  // disk and -1 when it could not be written (the change then lives in memory only, which
  // they also report on standard error).

  // Replays the journal into the tree and removes temporary files a crash left behind.
  // 0 when no record was applied, 1 when at least one was, -1 when a file is damaged
  // (`errorFile` then names it; records of earlier files stay applied in memory).
  [[nodiscard]] int incsave_readFiles(std::string& errorFile);
  // Number of journal files.
  int incsave_getNrOfFiles() const { return journalCount; }
  // Removes the journal files. Returns 0.
  int incsave_delFiles();
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
  // Writes a changed-item or new-item record for the current item or group.
  [[nodiscard]] int incsave_saveCurItem();
  [[nodiscard]] int incsave_saveCurGroup();
  // Writes a deleted-item record.
  [[nodiscard]] int incsave_deleted(unsigned syncID);
  // Writes a new-item record: `item` (a group with its children when `withChildren`, or a
  // to-do) below the group with synchronisation identifier `parentSyncID`.
  [[nodiscard]] int incsave_newRecord(unsigned parentSyncID, ToDoListItem* item,
                                      bool withChildren);
  // True once a journal record could not be written in this run.
  bool incsave_failed() const { return journalFailed; }

 private:
  int writeMaster(const char* fileName,
                  const std::function<bool(const std::string&)>& beforeCommit);
  // Journal helpers.
  std::string journalFileName(int n) const;
  bool finishInterruptedCompaction();
  int incsave_commit(const std::string& record);
  int incsave_applyRecord(std::istream& is, const std::string& first);
  void removeJournalLeftovers();
  void readHeaderLine(const std::string& line, std::istream& is, int& result,
                      std::string& endOfHeader, bool& journalTyped);
  void writeHeader(std::ostream& os);
  void settleCurrentGroup();

  // View state.
  unsigned nLineCal = 0;
  unsigned nLineNormal = 0;
  std::vector<int> oldPosInList;  // first visible line per entered group level
  std::vector<int> selectedLine;  // selected line per entered group level

  CryptMan keys;
  ToDoListGroup* root = nullptr;  // owned
  ToDoListGroup* curGroup = nullptr;
  std::string curGroupPath;

  unsigned nrActiveJobs = 0;
  unsigned idmax = 0;
  unsigned idmaxaftersync = 0;
  T_Options options;
  T_Calendar calendar;
  unsigned winWidth = 320;   // half the main window's width
  unsigned winHeight = 320;  // half the main window's height

  // Journal state.
  std::string journalBase;  // the master file's name; journal files are named after it
  int journalCount = 0;     // journal files 0 .. journalCount-1 exist
  bool journalFailed = false;
  bool newItemFlag = false;
  ToDoListToDo* rememberedTodo = nullptr;    // owned copy
  ToDoListGroup* rememberedGroup = nullptr;  // owned copy
  ToDoListToDo* curItem = nullptr;           // the to-do item operations act on
};

#endif  // ZOLT_DOCUMENT_ZOLT_H_
