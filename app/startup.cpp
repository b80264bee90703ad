#include "app/startup.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/command_line.h"
#include "app/config.h"
#include "app/data_file_lock.h"
#include "app/exchange_file.h"
#include "app/headless.h"
#include "app/messages.h"
#include "document/zolt.h"
#include "gui/fltk_dialogs.h"
#include "gui/zolt_gui.h"

Zolt* zolt = nullptr;

bool existDat(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return in.is_open();
}

int defaultFile(std::string& fileName) {
  std::string home = GetHomeDir();
  for (const std::string& name : zoltconfig.defaultFiles) {
    fileName = (!name.empty() && name[0] == '~' && !home.empty()) ? home + name.substr(1) : name;
    if (existDat(fileName)) return 0;
    printf("%s does not exist\n", fileName.c_str());
  }
  return -1;
}

// Writes the master file; the journal files are removed only once the write succeeded,
// since until then they hold the only copy of the latest changes.
static int saveAll(const std::string& fileName) {
  int result = zolt->incsave_compact(fileName.c_str());
  printf("write to file: %i\n", result);
  if (result != 0) {
    showAlert("Could not write the master data file " + fileName +
              ". Nothing was lost: the journal files beside it keep every change and are "
              "replayed at the next start. Make room on the disk or fix the folder's "
              "permissions, then start Zolt again.");
  }
  return result;
}

// Loads the master file and the journal. 0, or -1 after telling the user why not.
static int loadDocument(const std::string& fileName) {
  if (zolt->readData(fileName.c_str()) != 0) {
    showMessage("Master data file corrupt. Read Documentation about data recovery.");
    return -1;
  }
  std::string errorText;
  int replayed = zolt->incsave_readFiles(errorText);
  if (replayed < 0) {
    showMessage("Incremental file corrupt:\n" + errorText +
                "\nRead Documentation about data recovery.");
    return -1;
  }
  // A failed compaction is not fatal: the journal stays and is replayed again next time.
  if (replayed == 1) saveAll(fileName);
  return 0;
}

static int shutDown(const std::string& fileName, const T_CommandLine& cl) {
  int status = 0;
  if (zolt->incsave_getNrOfFiles() != 0 || cl.saveAtExit || zolt->getKeys().IsChanged()) {
    if (saveAll(fileName) != 0) status = -1;
  }
  return status;
}

// A logout (SIGHUP), kill (SIGTERM) or Ctrl+C in the terminal (SIGINT) ends the event
// loop the way closing the window does, so the shutdown below always runs. The handler
// only writes to a pipe; the loop reads it.
static int quitPipe[2] = {-1, -1};
static volatile sig_atomic_t quitSignalled = 0;

static void onQuitSignal(int) {
  quitSignalled = 1;
  char c = 0;
  ssize_t ignored = write(quitPipe[1], &c, 1);
  (void)ignored;
}

static void onQuitPipe(FL_SOCKET, void*) {
  char c;
  while (read(quitPipe[0], &c, 1) > 0) {
  }
  if (mainWin) mainWin->closeForShutdown();
  while (Fl::first_window()) Fl::first_window()->hide();
}

static void catchQuitSignals() {
  if (pipe(quitPipe) != 0) return;
  fcntl(quitPipe[0], F_SETFL, O_NONBLOCK);
  fcntl(quitPipe[1], F_SETFL, O_NONBLOCK);
  Fl::add_fd(quitPipe[0], FL_READ, onQuitPipe);
  struct sigaction sa = {};
  sa.sa_handler = onQuitSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}

// Builds the main window over the loaded document and runs the event loop until the
// last window closes. Returns the loop's result.
static int runWindow(const std::string& fileName, const std::string& exchangeFile,
                     const T_CommandLine& cl) {
  make_windows(fileName.c_str());
  mainWin->init(zolt, exchangeFile.c_str());
  mainWin->showMain(kScreenList);
  mainWin->setMenuActive();
  bool calendar = zolt->getMainViewType() == kMainViewCalendar;
  mainWin->showList(static_cast<int>(calendar ? zolt->getNLineCal() : zolt->getNLineNormal()));
  if (cl.calendarAtStart) {
    mainWin->CB_Menu_ZoltView(kMainViewCalendar);
    zolt->setCalFirstDay(cl.calStartDate);
    mainWin->showList(0);
  }
  mainWin->initFakeKbd();
  mainWin->show();
  Fl::add_timeout(1.0, updateClock);
  mainWin->updateClock();
  catchQuitSignals();
  int status = Fl::run();
  // A save that fails after a signal has nobody at the screen to read a box.
  if (quitSignalled) setDialogSeam(standardErrorSeam());
  delete mainWin;
  return status;
}

// Opens the display before anything is loaded, so that a missing one ends the program
// while nothing can be lost.
static int openDisplay() {
  const char* display = getenv("DISPLAY");
  if (display == nullptr || *display == 0) {
    fprintf(stderr,
            "Zolt needs a graphical display (DISPLAY is not set). Run it on the desktop, or "
            "use -q to load and save the data file without a window.\n");
    return -1;
  }
  fl_open_display();
  setDialogSeam(fltkDialogSeam());
  return 0;
}

int zoltMain(int argc, const char* const* argv) {
  ReadConfigFile();
  std::string fileName;
  T_CommandLine cl;
  if (parseCommandLine(argc, argv, cl) != 0) return -1;
  if (cl.help) {
    fputs(usageText(), stdout);
    return 0;
  }
  // The agenda's standard output is its text alone: no notes on default files it won't use.
  if (!cl.agenda || cl.fileName.empty()) defaultFile(fileName);
  if (!cl.fileName.empty()) fileName = cl.fileName;
  if (!runsWithoutWindow(cl) && openDisplay() != 0) return -1;
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
  int status = loadDocument(fileName);
  std::string exchangeFile;
  if (status == 0) {
    exchangeFile = createExchangeFile();
    if (exchangeFile.empty()) {
      showMessage("Unable to create temporary file");
      status = -1;
    }
  }
  // Whatever the event loop returns, the shutdown runs: it writes the master file.
  bool running = status == 0;
  if (running && runsWithoutWindow(cl)) {
    status = runWithoutWindow(*zolt, cl, fileName);
  } else if (running) {
    status = runWindow(fileName, exchangeFile, cl);
  }
  if (running && shutDown(fileName, cl) != 0) status = -1;
  delete zolt;
  zolt = nullptr;
  if (!exchangeFile.empty()) remove(exchangeFile.c_str());
  setDialogSeam(standardErrorSeam());
  return status;
}
