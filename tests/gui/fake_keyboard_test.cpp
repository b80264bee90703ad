// The on-screen keyboard: keys clicked with the mouse reach the focused input, which keeps
// the focus; the strip's layout and clock.
#include "gui/fake_keyboard.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Input.H>
#include <gtest/gtest.h>
// After gtest: X11's headers, which fl_draw.H pulls in, define names gtest uses.
#include <FL/fl_draw.H>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>

#include "gui/raw_label.h"

namespace {

class FakeKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<Fl_Double_Window>(640, 200);
    input = new Fl_Input(0, 0, 640, 30);
    multi = new Fl_Multiline_Input(0, 40, 640, 60);
    other = new Fl_Button(0, 110, 80, 20, "other");
    kbd = new FakeKeyboard(15, 140, 625, 60);
    window->end();
    window->show();
    Fl::check();
    input->take_focus();
  }

  // A left click on the named key, as the toolkit delivers it.
  void click(const char* name) {
    Fl_Button* key = kbd->key(name);
    ASSERT_NE(key, nullptr) << name;
    Fl::e_x = key->x() + key->w() / 2;
    Fl::e_y = key->y() + key->h() / 2;
    Fl::e_x_root = window->x() + Fl::e_x;
    Fl::e_y_root = window->y() + Fl::e_y;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, window.get());
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, window.get());
  }

  void clickAll(std::initializer_list<const char*> names) {
    for (const char* name : names) click(name);
  }

  std::unique_ptr<Fl_Double_Window> window;
  Fl_Input* input = nullptr;
  Fl_Multiline_Input* multi = nullptr;
  Fl_Button* other = nullptr;
  FakeKeyboard* kbd = nullptr;
};

TEST_F(FakeKeyboardTest, TypesIntoTheFocusedInputWhichKeepsTheFocus) {
  clickAll({"h", "i", "Space", "4", "2", ".", "-", ","});
  EXPECT_STREQ(input->value(), "hi 42.-,");
  EXPECT_EQ(input->position(), 8);
  EXPECT_EQ(Fl::focus(), input);
  EXPECT_STREQ(multi->value(), "");
}

TEST_F(FakeKeyboardTest, ShiftTurnsTheNextKeyAndIsThenReleased) {
  click("Shift");
  EXPECT_TRUE(kbd->shifted());
  EXPECT_STREQ(kbd->key("a")->label(), "A");
  EXPECT_STREQ(kbd->key("7")->label(), "&");
  EXPECT_STREQ(kbd->key("2")->label(), "@");
  EXPECT_EQ(kbd->key("2")->labeltype(), rawLabelType());  // drawn as typed
  clickAll({"h", "i"});
  EXPECT_FALSE(kbd->shifted());
  EXPECT_STREQ(kbd->key("a")->label(), "a");
  clickAll({"Shift", "2", "Shift", "7", "Shift", "Shift", "x"});
  EXPECT_STREQ(input->value(), "Hi@&x");
  EXPECT_EQ(Fl::focus(), input);
}

TEST_F(FakeKeyboardTest, BackspaceDeletesTheSelectionOrTheCharacterBeforeTheCursor) {
  input->value("abcd");
  input->position(3);
  click("Backspace");
  EXPECT_STREQ(input->value(), "abd");
  EXPECT_EQ(input->position(), 2);
  input->position(0, 2);
  click("Backspace");
  EXPECT_STREQ(input->value(), "d");
  input->position(0);
  click("Backspace");
  EXPECT_STREQ(input->value(), "d");
}

TEST_F(FakeKeyboardTest, EnterBreaksTheLineInAMultiLineInput) {
  multi->take_focus();
  clickAll({"a", "Enter", "b"});
  EXPECT_STREQ(multi->value(), "a\nb");
  EXPECT_EQ(Fl::focus(), multi);
}

TEST_F(FakeKeyboardTest, EnterEndsAOneLineEdit) {
  int calls = 0;
  input->callback([](Fl_Widget*, void* count) { ++*static_cast<int*>(count); }, &calls);
  for (Fl_When when : {FL_WHEN_ENTER_KEY, FL_WHEN_RELEASE}) {
    calls = 0;
    input->when(when);
    input->value("");
    clickAll({"x", "Enter"});
    EXPECT_STREQ(input->value(), "x") << when;
    EXPECT_EQ(calls, 1) << when;
    click("Enter");  // nothing changed since
    EXPECT_EQ(calls, 1) << when;
  }
  EXPECT_EQ(Fl::focus(), input);
}

TEST_F(FakeKeyboardTest, KeysTypeNothingWithoutAFocusedInput) {
  input->readonly(1);
  clickAll({"a", "Backspace", "Enter"});
  EXPECT_STREQ(input->value(), "");
  other->take_focus();
  clickAll({"a", "Space"});
  EXPECT_EQ(Fl::focus(), other);
  EXPECT_STREQ(input->value(), "");
  EXPECT_STREQ(multi->value(), "");
}

// The pixels of the window in the box x, y, w × h, as the display shows them.
static std::string pixels(Fl_Window* window, int x, int y, int w, int h) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!(window->shown() && window->visible() && window->damage() == 0)) {
    if (std::chrono::steady_clock::now() > deadline) return "";
    Fl::wait(0.05);
  }
  window->make_current();
  unsigned char* image = fl_read_image(nullptr, x, y, w, h);
  std::string bytes = image ? std::string(reinterpret_cast<char*>(image), 3 * w * h) : "";
  delete[] image;
  return bytes;
}

// The clock is drawn at the strip's left, as a copy of the text it was given, and only there.
TEST_F(FakeKeyboardTest, ShowsTheClock) {
  EXPECT_STREQ(kbd->clock(), "");
  Fl_Button* first = kbd->key("q");
  ASSERT_NE(first, nullptr);
  int clockW = first->x() - kbd->x();
  ASSERT_GT(clockW, 20) << "room for the clock left of the keys";
  std::string blank = pixels(window.get(), kbd->x(), kbd->y(), clockW, kbd->h());
  ASSERT_EQ(blank.size(), static_cast<size_t>(3 * clockW * kbd->h()));
  EXPECT_EQ(blank.find_first_not_of(blank[0]), std::string::npos) << "nothing drawn before";
  std::string keys = pixels(window.get(), first->x(), kbd->y(), kbd->w() - clockW, kbd->h());
  ASSERT_NE(keys.find_first_not_of(keys[0]), std::string::npos) << "the keys are on the screen";

  std::string text = "24.12.2009\n18:30\n";
  kbd->setClock(text.c_str());
  text.assign(text.size(), 'x');
  EXPECT_STREQ(kbd->clock(), "24.12.2009\n18:30\n") << "a copy, not the caller's buffer";
  std::string drawn = pixels(window.get(), kbd->x(), kbd->y(), clockW, kbd->h());
  ASSERT_EQ(drawn.size(), blank.size());
  int changed = 0;
  for (size_t i = 0; i < drawn.size(); ++i) changed += drawn[i] != blank[i];
  EXPECT_GT(changed, 100) << "the time is drawn in the clock's place";
  EXPECT_EQ(keys, pixels(window.get(), first->x(), kbd->y(), kbd->w() - clockW, kbd->h()))
      << "the keys are drawn as before";
}

// The keys fill the strip right of the clock without overlapping, at the widths the window
// allows and when a parent resizes the keyboard.
TEST_F(FakeKeyboardTest, LayoutKeepsTheKeysInsideTheStrip) {
  static const struct {
    int x, y, w, h;
  } kCases[] = {{15, 420, 625, 60}, {15, 260, 305, 60}, {15, 1940, 1985, 60}, {0, 0, 400, 90}};
  for (const auto& c : kCases) {
    kbd->layout(c.x, c.y, c.w, c.h);
    EXPECT_EQ(kbd->x(), c.x);
    EXPECT_EQ(kbd->w(), c.w);
    for (int i = 0; i < kbd->children(); ++i) {
      Fl_Widget* a = kbd->child(i);
      EXPECT_GT(a->w(), 0) << c.w << " child " << i;
      EXPECT_GT(a->h(), 0) << c.w << " child " << i;
      EXPECT_GE(a->x(), c.x);
      EXPECT_GE(a->y(), c.y);
      EXPECT_LE(a->x() + a->w(), c.x + c.w) << c.w << " child " << i;
      EXPECT_LE(a->y() + a->h(), c.y + c.h) << c.w << " child " << i;
      for (int j = 0; j < i; ++j) {
        Fl_Widget* b = kbd->child(j);
        bool apart = a->x() >= b->x() + b->w() || b->x() >= a->x() + a->w() ||
                     a->y() >= b->y() + b->h() || b->y() >= a->y() + a->h();
        EXPECT_TRUE(apart) << c.w << " children " << j << " and " << i;
      }
    }
  }
  window->resize(window->x(), window->y(), 320, 200);
  EXPECT_LE(kbd->key("Space")->x() + kbd->key("Space")->w(), kbd->x() + kbd->w());
}

}  // namespace
