// Underlined letters that need Alt. FLTK takes the letter after '&' in a button's label as a
// shortcut of its own, plain, whenever the focused widget does not take the key, and it
// offers such keys to the widget below the mouse first: typing beside a text field would
// tick, untick and press buttons. These make the letter act only together with Alt, FLTK's
// convention for underlined letters elsewhere. GUI thread only.
#ifndef ZOLT_GUI_ALT_SHORTCUT_H_
#define ZOLT_GUI_ALT_SHORTCUT_H_

#include <FL/Fl_Menu_Button.H>

class Fl_Button;

// Gives `button` the explicit shortcut Alt plus its label's underlined letter (lower case),
// which replaces the plain letter; nothing for a label without one.
void altShortcut(Fl_Button* button);

// A menu button whose underlined letter opens it only with Alt.
class AltMenuButton : public Fl_Menu_Button {
 public:
  AltMenuButton(int x, int y, int w, int h, const char* label)
      : Fl_Menu_Button(x, y, w, h, label) {}
  int handle(int event) override;
};

#endif  // ZOLT_GUI_ALT_SHORTCUT_H_
