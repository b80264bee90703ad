// The external editor used when neither the configuration nor $VISUAL or $EDITOR names one.
// Zolt runs it and waits for it to end, so it must stay in the foreground: a graphical editor
// that waits (with its own "wait" option where it has one), or, in a desktop session, a
// terminal editor inside a terminal window. Launchers that hand the file on and return at
// once (xdg-open, a running editor's remote) never qualify.
#ifndef ZOLT_UTIL_DEFAULT_EDITOR_H_
#define ZOLT_UTIL_DEFAULT_EDITOR_H_

#include <string>

// True in a desktop session: $DISPLAY or $WAYLAND_DISPLAY names a display.
bool desktopSession();

// The first command of the built-in choices whose program is an executable file in one of
// the directories of `path` (a $PATH value; null or "" searches nothing). In a desktop
// session: the graphical editors that wait (gedit --wait, kate --block, xed --wait, gvim -f,
// code --wait, geany -i, mousepad --disable-server), then a terminal editor (editor, nano,
// vim, vi) inside xterm -e or x-terminal-emulator -e. Outside one: the terminal editor
// alone. "" when none is found.
std::string defaultEditorCommand(const char* path, bool desktop);

#endif  // ZOLT_UTIL_DEFAULT_EDITOR_H_
