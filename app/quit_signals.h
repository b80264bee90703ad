// Ending Zolt on a logout (SIGHUP), a kill (SIGTERM) or Ctrl+C in its terminal (SIGINT) the
// way Ctrl+q ends it, whatever the window shows: an open menu, message box, selector or
// editor. The handler only writes to a pipe. FLTK watches the pipe in every event loop,
// nested ones included (a menu's, a dialog's), so the watcher makes menus and dialogs give
// way and their loops return; the program's own loop then closes the main window, and the
// full shutdown follows. GUI thread only.
#ifndef ZOLT_APP_QUIT_SIGNALS_H_
#define ZOLT_APP_QUIT_SIGNALS_H_

// Installs the handlers and the pipe's watcher (the pipe is close-on-exec, so programs that
// Zolt starts cannot write to it). Call once, before the main window is shown.
void catchQuitSignals();

// True once one of the signals arrived.
bool quitSignalled();

// The program's event loop: runs until no window is left. Once a signal arrived, every
// question is given its first (harmless) answer and every message goes to standard error,
// and the main window is closed as Ctrl+q closes it (an open editor keeps what was typed).
// Returns 0, as Fl::run does.
int runEventLoop();

#endif  // ZOLT_APP_QUIT_SIGNALS_H_
