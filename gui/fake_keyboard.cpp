#include "gui/fake_keyboard.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input_.H>
#include <string.h>

#include <algorithm>

#include "gui/raw_label.h"

namespace {

enum KeyKind { kChar, kSpace, kShift, kBackspace, kEnter };

// One key: what it types (or its name), and its place in a grid of kRows rows and kCols
// half-key columns.
struct KeyDef {
  const char* text;     // typed text of a kChar key, else the key's name
  const char* shifted;  // typed text of a kChar key with shift
  const char* label;    // the label of a key other than kChar
  KeyKind kind;
  int row;
  int col;
  int span;
};

constexpr int kRows = 3;
constexpr int kCols = 36;
constexpr int kClockWidth = 62;
constexpr int kClockLabelSize = 10;

// Letters staggered as on a real keyboard, then digits and marks as on a keypad, then the
// wide keys.
const KeyDef kKeys[] = {
    {"q", "Q", nullptr, kChar, 0, 0, 2},
    {"w", "W", nullptr, kChar, 0, 2, 2},
    {"e", "E", nullptr, kChar, 0, 4, 2},
    {"r", "R", nullptr, kChar, 0, 6, 2},
    {"t", "T", nullptr, kChar, 0, 8, 2},
    {"y", "Y", nullptr, kChar, 0, 10, 2},
    {"u", "U", nullptr, kChar, 0, 12, 2},
    {"i", "I", nullptr, kChar, 0, 14, 2},
    {"o", "O", nullptr, kChar, 0, 16, 2},
    {"p", "P", nullptr, kChar, 0, 18, 2},
    {"a", "A", nullptr, kChar, 1, 1, 2},
    {"s", "S", nullptr, kChar, 1, 3, 2},
    {"d", "D", nullptr, kChar, 1, 5, 2},
    {"f", "F", nullptr, kChar, 1, 7, 2},
    {"g", "G", nullptr, kChar, 1, 9, 2},
    {"h", "H", nullptr, kChar, 1, 11, 2},
    {"j", "J", nullptr, kChar, 1, 13, 2},
    {"k", "K", nullptr, kChar, 1, 15, 2},
    {"l", "L", nullptr, kChar, 1, 17, 2},
    {"Shift", nullptr, "@8->", kShift, 2, 0, 3},
    {"z", "Z", nullptr, kChar, 2, 3, 2},
    {"x", "X", nullptr, kChar, 2, 5, 2},
    {"c", "C", nullptr, kChar, 2, 7, 2},
    {"v", "V", nullptr, kChar, 2, 9, 2},
    {"b", "B", nullptr, kChar, 2, 11, 2},
    {"n", "N", nullptr, kChar, 2, 13, 2},
    {"m", "M", nullptr, kChar, 2, 15, 2},
    {",", ";", nullptr, kChar, 2, 17, 2},
    {"7", "&", nullptr, kChar, 0, 21, 2},
    {"8", "*", nullptr, kChar, 0, 23, 2},
    {"9", "(", nullptr, kChar, 0, 25, 2},
    {"0", ")", nullptr, kChar, 0, 27, 2},
    {"4", "$", nullptr, kChar, 1, 21, 2},
    {"5", "%", nullptr, kChar, 1, 23, 2},
    {"6", "^", nullptr, kChar, 1, 25, 2},
    {".", ":", nullptr, kChar, 1, 27, 2},
    {"1", "!", nullptr, kChar, 2, 21, 2},
    {"2", "@", nullptr, kChar, 2, 23, 2},
    {"3", "#", nullptr, kChar, 2, 25, 2},
    {"-", "_", nullptr, kChar, 2, 27, 2},
    {"Backspace", nullptr, "@<-", kBackspace, 0, 30, 6},
    {"Enter", nullptr, "Enter", kEnter, 1, 30, 6},
    {"Space", nullptr, "Space", kSpace, 2, 30, 6},
};
constexpr int kNumKeys = sizeof kKeys / sizeof kKeys[0];

// A key must leave the keyboard focus where it is: a button that took it on a push would
// take the cursor away from the input being typed into.
class KeyButton : public Fl_Button {
 public:
  KeyButton() : Fl_Button(0, 0, 0, 0) { clear_visible_focus(); }
};

// The input that has the keyboard focus and takes typing; null when there is none.
Fl_Input_* focusedInput() {
  Fl_Input_* input = dynamic_cast<Fl_Input_*>(Fl::focus());
  if (input == nullptr || input->readonly() || !input->active_r()) return nullptr;
  return input;
}

// Deletes the selection, or else the character before the cursor.
void backspace(Fl_Input_* input) {
  if (input->mark() != input->position()) {
    input->cut();
  } else if (input->position() > 0) {
    input->cut(-1);
  }
}

// Enter breaks the line in a multi-line input. A one-line input's edit ends, as a real
// Enter or leaving the field ends it: the cursor goes to the end and the input's callback
// runs when it asked for it on Enter, or on release after a change.
void enter(Fl_Input_* input) {
  if (input->input_type() == FL_MULTILINE_INPUT) {
    input->insert("\n");
    return;
  }
  input->position(input->size());
  int when = input->when();
  bool onEnter = (when & FL_WHEN_ENTER_KEY) != 0;
  bool onRelease = (when & FL_WHEN_RELEASE) != 0;
  if ((onEnter || onRelease) && (input->changed() || (when & FL_WHEN_NOT_CHANGED))) {
    input->do_callback();
  }
}

}  // namespace

FakeKeyboard::FakeKeyboard(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {
  clockBox = new Fl_Box(x, y, 0, 0);
  clockBox->box(FL_FLAT_BOX);
  clockBox->labelsize(kClockLabelSize);
  clockBox->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_WRAP);
  clockBox->copy_label("");
  for (int i = 0; i < kNumKeys; ++i) {
    KeyButton* b = new KeyButton();
    if (kKeys[i].kind == kChar) {
      b->labeltype(rawLabelType());  // "&" and "@" are keys too
      b->label(kKeys[i].text);
    } else {
      b->label(kKeys[i].label);
    }
    b->callback(cb_key, this);
    keys.push_back(b);
  }
  end();
  placeKeys();
}

void FakeKeyboard::layout(int x, int y, int w, int h) {
  resize(x, y, w, h);
  redraw();
}

void FakeKeyboard::resize(int x, int y, int w, int h) {
  // Fl_Widget's, not Fl_Group's: the group would scale the keys, placeKeys sets them.
  Fl_Widget::resize(x, y, w, h);
  placeKeys();
}

// Each key's edges are rounded from the grid separately, so neighbours share an edge and
// the rows fill the strip without gaps at any size.
void FakeKeyboard::placeKeys() {
  int clockW = std::min(kClockWidth, w());
  clockBox->resize(x(), y(), clockW, h());
  int left = x() + clockW;
  int width = w() - clockW;
  int keyWidth = width * 2 / kCols;
  int labelSize = std::clamp(std::min(h() / kRows * 2 / 3, keyWidth * 3 / 4), 8, 14);
  for (int i = 0; i < kNumKeys; ++i) {
    const KeyDef& k = kKeys[i];
    int x0 = left + width * k.col / kCols;
    int x1 = left + width * (k.col + k.span) / kCols;
    int y0 = y() + h() * k.row / kRows;
    int y1 = y() + h() * (k.row + 1) / kRows;
    keys[i]->resize(x0, y0, x1 - x0, y1 - y0);
    keys[i]->labelsize(labelSize);
  }
}

void FakeKeyboard::setClock(const char* text) {
  clockBox->copy_label(text);
  clockBox->redraw();
}

const char* FakeKeyboard::clock() const { return clockBox->label(); }

Fl_Button* FakeKeyboard::key(const char* name) const {
  for (int i = 0; i < kNumKeys; ++i) {
    if (strcmp(kKeys[i].text, name) == 0) return keys[i];
  }
  return nullptr;
}

void FakeKeyboard::cb_key(Fl_Widget* w, void* data) {
  FakeKeyboard* kbd = static_cast<FakeKeyboard*>(data);
  auto found = std::find(kbd->keys.begin(), kbd->keys.end(), w);
  if (found != kbd->keys.end()) kbd->keyPressed(static_cast<int>(found - kbd->keys.begin()));
}

void FakeKeyboard::keyPressed(int index) {
  const KeyDef& k = kKeys[index];
  if (k.kind == kShift) {
    setShift(!shift);
    return;
  }
  Fl_Input_* input = focusedInput();
  switch (k.kind) {
    case kChar:
      if (input != nullptr) input->insert(shift ? k.shifted : k.text);
      setShift(false);
      break;
    case kSpace:
      if (input != nullptr) input->insert(" ");
      break;
    case kBackspace:
      if (input != nullptr) backspace(input);
      break;
    case kEnter:
      if (input != nullptr) enter(input);
      break;
    case kShift:
      break;
  }
}

// The character keys show what they type now.
void FakeKeyboard::setShift(bool on) {
  shift = on;
  for (int i = 0; i < kNumKeys; ++i) {
    const KeyDef& k = kKeys[i];
    if (k.kind == kChar) {
      keys[i]->label(on ? k.shifted : k.text);
    } else if (k.kind == kShift) {
      keys[i]->value(on);
    }
  }
  redraw();
}
