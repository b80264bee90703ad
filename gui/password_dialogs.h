// The two modal dialogs over the key manager: adding a password and logging in with one.
// Each run builds its window anew, waits through the dialog seam (gui/messages.h) until the
// window is hidden, acts on the key manager and destroys the window.
// GUI thread only.
#ifndef ZOLT_GUI_PASSWORD_DIALOGS_H_
#define ZOLT_GUI_PASSWORD_DIALOGS_H_

#include <string>

class CryptMan;

// Asks for a description and a password of one line (the hidden input's text, typed twice,
// or else the visible input's); Enter in any field presses OK and adds them to `cm` when OK is
// pressed. An empty password, or two hidden copies that differ, is refused with an alert and the
// dialog stays open. Returns 0 when a password was added; -1 when the dialog was cancelled or
// closed, when `cm` cannot take a password now (nothing is shown then) or when `cm` refused it (its
// reason is shown in an alert). `cm` is not owned.
int pwd_add_run_window(CryptMan* cm);

// Says `reason` (why the login is asked for; empty: the menu's general text), offers one
// entry per password record, in record order and shown as typed, and tries the password
// typed against the chosen record on OK (Enter in a field presses it); a password stored
// with a line break at its end also opens with the line typed without it. A wrong password says so
// and the dialog stays open; Cancel, Escape and the close box leave without trying. Returns 0 when
// `cm` is logged in afterwards, -1 otherwise. Shows nothing when `cm` is already logged in or has
// no master key. `cm` is not owned.
int pwd_ask_run_window(CryptMan* cm, const std::string& reason = std::string());

// The login's reason when it comes from the menu.
extern const char* const kLoginFromMenu;

#endif  // ZOLT_GUI_PASSWORD_DIALOGS_H_
