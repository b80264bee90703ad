#include "app/window_start.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/quit_signals.h"
#include "document/zolt.h"
#include "gui/fallback_text.h"
#include "gui/fltk_dialogs.h"
#include "gui/messages.h"
#include "gui/zolt_gui.h"

// Builds the main window over the loaded document and runs the event loop until the
// last window closes. Returns the loop's result.
static int runWindow(const std::string& fileName, const std::string& exchangeFile,
                     const T_CommandLine& cl, const std::string& firstStatus) {
  // From here on a logout or kill ends the program through zoltMain's shutdown.
  catchQuitSignals();
  make_windows(*zolt, fileName.c_str());
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
  mainWin->setStatus(firstStatus);
  mainWin->show();
  Fl::add_timeout(1.0, updateClock);
  mainWin->updateClock();
  int status = runEventLoop();
  // A save that fails after a signal has nobody at the screen to read a box.
  if (quitSignalled()) setDialogSeam(standardErrorSeam());
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
  installFallbackText();  // message boxes before the window show CJK and emoji too
  setDialogSeam(fltkDialogSeam());
  return 0;
}

const WindowStart* fltkWindowStart() {
  static const WindowStart start = {openDisplay, runWindow};
  return &start;
}
