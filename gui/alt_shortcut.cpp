#include "gui/alt_shortcut.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>

#include <cctype>

void altShortcut(Fl_Button* button) {
  unsigned letter = Fl_Widget::label_shortcut(button->label());
  if (letter == 0 || letter > 127) return;
  button->shortcut(FL_ALT | tolower(static_cast<int>(letter)));
}

int AltMenuButton::handle(int event) {
  if (event == FL_SHORTCUT && !Fl::event_state(FL_ALT)) return 0;
  return Fl_Menu_Button::handle(event);
}
