#include "app/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/command_line.h"
#include "app/data_file_check.h"
#include "app/data_file_lock.h"
#include "app/data_folder.h"
#include "app/exchange_file.h"
#include "app/headless.h"
#include "app/view_state.h"
#include "document/zolt.h"
#include "gui/messages.h"
#include "util/config.h"
#include "util/external_editor.h"

Zolt* zolt = nullptr;

bool existDat(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return in.is_open();
}

// A link counts as there even when it leads nowhere: the data behind it may be on a disk
// that is not mounted, which is said, rather than passed over for a new empty file.
static bool isLink(const std::string& name) {
  struct stat st;
  return lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

int defaultFile(std::string& fileName) {
  std::string home = GetHomeDir();
  std::string firstUsable;
  for (const std::string& name : zoltconfig.defaultFiles) {
    bool inHome = !name.empty() && name[0] == '~';
    // Without a home directory a "~" name names nothing; never a folder called "~".
    if (name.empty() || (inHome && home.empty())) continue;
    std::string candidate = inHome ? home + name.substr(1) : name;
    if (existDat(candidate) || isLink(candidate)) {
      fileName = candidate;
      return 0;
    }
    if (firstUsable.empty()) firstUsable = candidate;
  }
  fileName = firstUsable;
  return -1;
}

// Settles the data file: the one -f names, whose folder must exist, or else the first
// existing default, or else a new one at the first default, whose folder is made. 0, or -1
// after telling the user why not. `startsNew` is set for a new default file.
static int settleDataFile(const T_CommandLine& cl, std::string& fileName, bool& startsNew) {
  std::string message;
  startsNew = false;
  if (!cl.fileName.empty()) {
    fileName = cl.fileName;
    if (checkDataFolder(fileName, message) == 0) return 0;
  } else if (defaultFile(fileName) == 0) {
    return 0;
  } else if (fileName.empty()) {
    message =
        "There is no home directory (HOME is not set) for the default data file. Name the data "
        "file with -f FILE.";
  } else if (makeDataFolder(fileName, message) == 0) {
    startsNew = true;
    return 0;
  }
  showAlert(message);
  return -1;
}

// A path as the user knows it: "~/..." below the home directory.
static std::string shownPath(const std::string& path) {
  const char* home = getenv("HOME");
  size_t n = home ? strlen(home) : 0;
  if (n > 1 && path.size() > n && path.compare(0, n, home) == 0 && path[n] == '/') {
    return "~" + path.substr(n);
  }
  return path;
}

// Where the notes of a run go ("write to file: 0"): standard output, except while the agenda
// is printed there, whose standard output is the agenda alone. Set once by zoltMain.
static FILE* notes = stdout;

// What the journal has to tell besides its result, in the window too.
static void showJournalNotices() {
  for (const std::string& notice : zolt->incsave_notices()) showMessage(notice);
}

// Writes the master file; the journal files are removed only once the write succeeded,
// since until then they hold the only copy of the latest changes.
static int saveAll(const std::string& fileName) {
  int result = zolt->incsave_compact(fileName.c_str());
  fprintf(notes, "write to file: %i\n", result);
  showJournalNotices();
  if (result != 0) {
    showAlert("Could not write the master data file " + fileName +
              ". Nothing was lost: the journal files beside it keep every change and are "
              "replayed at the next start. Make room on the disk or fix the folder's "
              "permissions, then start Zolt again.");
  }
  return result;
}

// `text` quoted for a POSIX shell, so that a command holding it can be pasted as it is.
static std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The command that loads every change that can be applied, without a window.
static std::string recoverCommand(const std::string& fileName) {
  return "zolt -q --recover -f " + shellQuoted(fileName);
}

// A journal file that cannot be read or applied (a disk that returned garbage, a file
// edited by hand or left by a run as another user): which one and why, that nothing was
// touched, and the way on.
static std::string journalProblemText(const std::string& fileName, const std::string& file,
                                      const std::string& why, const std::string& setAsideName) {
  return "The journal file " + file + " cannot be applied (" + why +
         ").\nNothing was changed: the data file " + fileName +
         " and every journal file are kept as they are.\nWhen the file belongs to another "
         "user, give it back to yourself (chown) and start again. To start with every change "
         "that can be applied, run\n  " +
         recoverCommand(fileName) +
         "\nThe journal records that cannot be applied are then kept in " + setAsideName +
         " (see the manual page, zolt(1)).";
}

// The journal's replay, or with `recover` the recovery; result as incsave_readFiles.
static int replayJournal(const std::string& fileName, bool recover) {
  if (!recover) {
    std::string errorFile;
    int replayed = zolt->incsave_readFiles(errorFile);
    if (replayed < 0) {
      showMessage(journalProblemText(fileName, errorFile, zolt->incsave_replayProblem(),
                                     zolt->incsave_setAsideName()));
    }
    showJournalNotices();
    return replayed;
  }
  int setAside = 0;
  int replayed = zolt->incsave_recoverFiles(setAside);
  if (replayed < 0) {
    showMessage("The journal could not be recovered: " + zolt->incsave_replayProblem() +
                ".\nNothing was changed; every journal file is kept. Mend that, then run " +
                recoverCommand(fileName) + " again.");
  } else if (setAside > 0) {
    showMessage(std::to_string(setAside) + " journal file(s) could not be applied (the last: " +
                zolt->incsave_replayProblem() + ") and are kept in " +
                zolt->incsave_setAsideName() + ". Every other change was loaded.");
  }
  showJournalNotices();
  return replayed;
}

// The key block holds the passwords of the encrypted descriptions: without it they can
// never be read again, so the file is left alone and the user told how to mend it.
static std::string keyBlockMessage(const std::string& fileName, const std::string& why) {
  return "The key block of " + fileName +
         " (the lines from \"<Crypt>\" to \"</Crypt>\", "
         "which hold the passwords of encrypted descriptions) is damaged: " +
         why +
         ".\nZolt has changed nothing. Put back the file from a backup, or mend the block as "
         "doc/file_format.md describes under \"The <Crypt> block\".";
}

// Loads the master file and the journal. 0, or -1 after telling the user why not.
static int loadDocument(const std::string& fileName, bool recover) {
  if (zolt->readData(fileName.c_str()) != 0) {
    if (!zolt->getReadError().empty()) {
      showMessage("The data file " + fileName + " cannot be read (" + zolt->getReadError() +
                  "). Zolt has changed nothing; start it again once the file can be read.");
      return -1;
    }
    const std::string& keyBlock = zolt->getKeys().GetReadError();
    showMessage(keyBlock.empty() ? std::string("Master data file corrupt. Read Documentation "
                                               "about data recovery.")
                                 : keyBlockMessage(fileName, keyBlock));
    return -1;
  }
  int replayed = replayJournal(fileName, recover);
  if (replayed < 0) return -1;
  // A failed compaction is not fatal: the journal stays and is replayed again next time.
  if (replayed == 1) saveAll(fileName);
  return 0;
}

// `viewChanged`: the window's size or view differs from the loaded one; the journal holds
// no such change, so only this save keeps it.
static int shutDown(const std::string& fileName, const T_CommandLine& cl, bool viewChanged) {
  int status = 0;
  if (zolt->incsave_getNrOfFiles() != 0 || cl.saveAtExit || zolt->getKeys().IsChanged() ||
      viewChanged) {
    if (saveAll(fileName) != 0) status = -1;
  }
  return status;
}

// Creates the exchange file, telling the user when it had to go to an unusual place. 0, or
// -1 after saying why there is none.
static int makeExchangeFile(std::string& exchangeFile) {
  std::string note, error;
  exchangeFile = createExchangeFile(note, error);
  if (exchangeFile.empty()) {
    showMessage("Unable to create temporary file\n" + error);
    return -1;
  }
  if (!note.empty()) {
    // Also for the session's log: the box is gone once read.
    fprintf(stderr, "%s\n", note.c_str());
    showMessage(note);
  }
  return 0;
}

// Opens the display through `window`; a program built without one says so.
static int openDisplay(const WindowStart* window) {
  if (window == nullptr) {
    fprintf(stderr, "This program of Zolt has no window; start zolt for one.\n");
    return -1;
  }
  return window->openDisplay();
}

int zoltMain(int argc, const char* const* argv, const WindowStart* window,
             const IcsExchange* ics) {
  ReadConfigFile();
  std::string fileName;
  T_CommandLine cl;
  if (parseCommandLine(argc, argv, cl) != 0) return -1;
  notes = cl.agenda ? stderr : stdout;
  // An edit that a kill cut short left its description in clear in a directory of its own:
  // gone at every start, also the headless ones that a cron job runs, which make no
  // directory for it.
  removeStaleEdits();
  if (cl.help) {
    fputs(usageText(), stdout);
    return 0;
  }
  if (!runsWithoutWindow(cl) && openDisplay(window) != 0) return -1;
  bool startsNew = false;
  if (settleDataFile(cl, fileName, startsNew) != 0) return -1;
  // Said once: the file is made at once, so the next start finds it. The agenda's standard
  // output is its text alone.
  if (startsNew) {
    fprintf(notes, "Starting a new data file at %s\n", fileName.c_str());
  }
  std::string refused;
  if (checkDataFile(fileName, refused) != 0) {
    showAlert(refused);
    return -1;
  }
  // Taken before the master file or its journal is read and held past the shutdown's last
  // write; after the display is open, so that a refusal shows in a box.
  DataFileLock lock;
  std::string lockMessage;
  if (lock.acquire(fileName, lockMessage) != 0) {
    showAlert(lockMessage);
    return -1;
  }

  zolt = new Zolt();
  zolt->createRoot();
  int status = loadDocument(fileName, cl.recover);
  if (status == 0 && startsNew && zolt->writeData(fileName.c_str()) != 0) {
    showAlert("Could not make the new data file " + fileName +
              ". Make room on the disk or fix the folder's permissions, or name another data "
              "file with -f FILE.");
    status = -1;
  }
  // Only the window copies and pastes: the headless modes need no exchange file.
  std::string exchangeFile;
  if (status == 0 && !runsWithoutWindow(cl)) status = makeExchangeFile(exchangeFile);
  // Whatever the event loop returns, the shutdown runs: it writes the master file.
  bool running = status == 0;
  bool viewChanged = false;
  if (running && runsWithoutWindow(cl)) {
    status = runWithoutWindow(*zolt, cl, fileName, ics);
  } else if (running) {
    T_ViewState loaded = viewStateOf(*zolt);
    std::string said =
        startsNew ? "Started a new data file at " + shownPath(fileName) : std::string();
    status = window->run(fileName, exchangeFile, cl, said);
    viewChanged = viewStateOf(*zolt) != loaded;
  }
  if (running && shutDown(fileName, cl, viewChanged) != 0) status = -1;
  // Without a window the process ends right after this: freeing a tree of a million items
  // one block at a time would take longer than loading it did, for memory the exit gives
  // back anyway. The document stays reachable through `zolt`, so a leak checker does not
  // count it. The headless modes never log in, so no decrypted text or key is left behind.
  // The window's path frees it: the master key is wiped on the way.
  if (!runsWithoutWindow(cl)) {
    delete zolt;
    zolt = nullptr;
  }
  if (!exchangeFile.empty()) remove(exchangeFile.c_str());
  setDialogSeam(standardErrorSeam());
  return status;
}
