// The window's part of a start: the display and the main window over the loaded document.
#ifndef ZOLT_APP_WINDOW_START_H_
#define ZOLT_APP_WINDOW_START_H_

#include "app/startup.h"

// The FLTK window, for zoltMain.
const WindowStart* fltkWindowStart();

#endif  // ZOLT_APP_WINDOW_START_H_
