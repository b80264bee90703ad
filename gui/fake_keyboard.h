// The on-screen keyboard of the main window's bottom strip: the clock at its left, then
// letters, a block of digits and marks, space, shift, backspace and enter. Keys go to the
// input that has the keyboard focus; the keys never take the focus themselves, so the
// input keeps its cursor and selection while the user taps.
// GUI thread only.
#ifndef ZOLT_GUI_FAKE_KEYBOARD_H_
#define ZOLT_GUI_FAKE_KEYBOARD_H_

#include <FL/Fl_Group.H>

#include <vector>

class Fl_Box;
class Fl_Button;

class FakeKeyboard : public Fl_Group {
 public:
  // Builds the clock and the keys in the box x, y, w × h. Like any widget it joins the
  // group that is current (between a parent's begin() and end()), which then owns it.
  // The group is ended before the constructor returns.
  FakeKeyboard(int x, int y, int w, int h);
  FakeKeyboard(const FakeKeyboard&) = delete;
  FakeKeyboard& operator=(const FakeKeyboard&) = delete;

  // Moves the keyboard to the given box, lays its keys out for it and redraws it.
  void layout(int x, int y, int w, int h);
  // Lays the keys out for the new box; a parent group's resize lands here too.
  void resize(int x, int y, int w, int h) override;

  // The clock's text, copied (the main window's clock, "%d.%m.%Y\n%H:%M\n").
  void setClock(const char* text);
  // The clock's text as last set ("" before that); owned by the keyboard.
  const char* clock() const;

  // True while the next letter, digit or mark comes out in its shifted form. Shift holds
  // for one such key and is then released.
  bool shifted() const { return shift; }

  // The key named `name`: its unshifted text ("a", "7", "."), or "Space", "Shift",
  // "Backspace" or "Enter"; null when there is none. Owned by the keyboard.
  Fl_Button* key(const char* name) const;

 private:
  static void cb_key(Fl_Widget* w, void* data);
  void keyPressed(int index);
  void setShift(bool on);
  void placeKeys();

  Fl_Box* clockBox;              // not owned (a child)
  std::vector<Fl_Button*> keys;  // not owned (children); in the order of the key table
  bool shift = false;
};

#endif  // ZOLT_GUI_FAKE_KEYBOARD_H_
