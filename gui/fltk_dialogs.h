// The dialog seam as the running program has it: FLTK message boxes and a local event
// loop for modal dialogs.
#ifndef ZOLT_GUI_FLTK_DIALOGS_H_
#define ZOLT_GUI_FLTK_DIALOGS_H_

#include "app/messages.h"

DialogSeam fltkDialogSeam();

#endif  // ZOLT_GUI_FLTK_DIALOGS_H_
