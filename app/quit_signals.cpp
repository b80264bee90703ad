#include "app/quit_signals.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "gui/messages.h"
#include "gui/zolt_gui.h"

static int quitPipe[2] = {-1, -1};
static volatile sig_atomic_t signalled = 0;

static void onQuitSignal(int) {
  int saved = errno;
  signalled = 1;
  char c = 0;
  ssize_t ignored = write(quitPipe[1], &c, 1);
  (void)ignored;
  errno = saved;
}

bool quitSignalled() { return signalled != 0; }

// A menu's loop runs until the menu itself takes Escape: hiding its window would only make
// the loop show it again. An open menu holds the grab.
static void closeMenus() {
  Fl_Window* menu = Fl::grab();
  if (menu == nullptr) return;
  int key = Fl::e_keysym;
  Fl::e_keysym = FL_Escape;
  menu->handle(FL_KEYBOARD);
  Fl::e_keysym = key;
}

// Message boxes and modal dialogs wait while their window is shown; hidden, each returns as
// if closed, which is its harmless answer. The main window stays for the main loop to close.
static void hideDialogs() {
  for (int guard = 0; guard < 100; ++guard) {
    Fl_Window* w = Fl::first_window();
    while (w != nullptr && (w == mainWin || w->menu_window())) w = Fl::next_window(w);
    if (w == nullptr) return;
    w->hide();
  }
}

// Nobody answers boxes any more: whatever the unwinding still asks takes its first answer.
static void giveWay() {
  setDialogSeam(standardErrorSeam());
  closeMenus();
  hideDialogs();
}

static void onQuitPipe(FL_SOCKET, void*) {
  char c;
  while (read(quitPipe[0], &c, 1) > 0) {
  }
  giveWay();
}

void catchQuitSignals() {
  if (pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  Fl::add_fd(quitPipe[0], FL_READ, onQuitPipe);
  struct sigaction sa = {};
  sa.sa_handler = onQuitSignal;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}

int runEventLoop() {
  while (Fl::first_window()) {
    if (signalled) {
      giveWay();
      if (mainWin && mainWin->shown()) mainWin->closeForShutdown(false);
      while (Fl::first_window()) Fl::first_window()->hide();
      break;
    }
    Fl::wait(1e20);
  }
  return 0;
}
