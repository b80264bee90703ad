#include "gui/fltk_dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdint>

#include "gui/raw_label.h"

const char* const kMessageTitle = "Zolt";
const char* const kAlertTitle = "Zolt: problem";
const char* const kQuestionTitle = "Zolt: question";

static const int kTextSize = 20;
static const int kMargin = 12;
static const int kButtonH = 34;
static const int kFrame = 2;

DialogWindow::DialogWindow(int w, int h, const char* title) : Fl_Double_Window(w, h, title) {}

void DialogWindow::draw() {
  Fl_Double_Window::draw();
  fl_color(FL_DARK3);
  for (int i = 0; i < kFrame; ++i) fl_rect(i, i, w() - 2 * i, h() - 2 * i);
}

// Message boxes do not wrap: break long lines at blanks so a box fits on the screen.
static std::string wrapped(const std::string& text) {
  const size_t kColumns = 56;
  std::string out = text;
  size_t lineStart = 0, lastBlank = std::string::npos;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\n') {
      lineStart = i + 1;
      lastBlank = std::string::npos;
    } else if (out[i] == ' ') {
      lastBlank = i;
    }
    if (i - lineStart >= kColumns && lastBlank != std::string::npos && lastBlank > lineStart) {
      out[lastBlank] = '\n';
      lineStart = lastBlank + 1;
      lastBlank = std::string::npos;
    }
  }
  return out;
}

namespace {

// One box's answer, reached by its buttons and its window's callback.
struct BoxState {
  Fl_Window* window = nullptr;
  int answer = 0;
};

}  // namespace

static void cb_boxButton(Fl_Widget* w, void* data) {
  BoxState* state = static_cast<BoxState*>(w->window()->user_data());
  state->answer = static_cast<int>(reinterpret_cast<intptr_t>(data));
  state->window->hide();
}

// The close box and Escape give the first, harmless answer.
static void cb_boxWindow(Fl_Widget* w, void* data) {
  static_cast<BoxState*>(data)->answer = 0;
  w->hide();
}

static int buttonWidth(const char* label) {
  fl_font(FL_HELVETICA, kTextSize);
  return std::max(90, static_cast<int>(fl_width(label)) + 40);
}

int runMessageBox(const std::string& text, const char* title, const char* b0, const char* b1,
                  const char* b2) {
  std::string shown = wrapped(text);
  fl_font(FL_HELVETICA, kTextSize);
  int textW = 0, textH = 0;
  fl_measure(shown.c_str(), textW, textH, 0);
  const char* labels[3] = {b0 ? b0 : "OK", b1, b2};
  int buttonsW = 0;
  for (const char* l : labels) buttonsW += l ? buttonWidth(l) + kMargin : 0;
  int W = std::max(textW + 2 * kMargin, buttonsW + kMargin);
  W = std::max(W, 260);
  int H = textH + kButtonH + 3 * kMargin;
  BoxState state;
  DialogWindow window(W, H, title);
  state.window = &window;
  window.user_data(&state);
  window.callback(cb_boxWindow, &state);
  Fl_Box* box = new Fl_Box(kMargin, kMargin, W - 2 * kMargin, textH, shown.c_str());
  box->labeltype(rawLabelType());
  box->labelsize(kTextSize);
  box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
  // Button 0 at the right, the others leftwards, as FLTK's own boxes place them.
  int x = W - kMargin;
  Fl_Button* first = nullptr;
  for (int i = 0; i < 3; ++i) {
    if (!labels[i]) continue;
    int bw = buttonWidth(labels[i]);
    x -= bw;
    Fl_Button* b = i == 0 ? new Fl_Return_Button(x, H - kMargin - kButtonH, bw, kButtonH)
                          : new Fl_Button(x, H - kMargin - kButtonH, bw, kButtonH);
    b->copy_label(labels[i]);
    b->labelsize(kTextSize);
    b->callback(cb_boxButton, reinterpret_cast<void*>(static_cast<intptr_t>(i)));
    if (i == 0) first = b;
    x -= kMargin;
  }
  window.end();
  window.set_modal();
  window.hotspot(&window);
  window.show();
  first->take_focus();
  while (window.shown()) Fl::wait();
  return state.answer;
}

static void message(const std::string& text) {
  runMessageBox(text, kMessageTitle, "OK", nullptr, nullptr);
}
static void alert(const std::string& text) {
  runMessageBox(text, kAlertTitle, "OK", nullptr, nullptr);
}
static int choice(const std::string& question, const char* b0, const char* b1, const char* b2) {
  return runMessageBox(question, kQuestionTitle, b0, b1, b2);
}

static void waitWhileShown(Fl_Window* dialog) {
  dialog->set_modal();
  dialog->show();
  while (dialog->shown()) Fl::wait();
}

DialogSeam fltkDialogSeam() { return {message, alert, choice, waitWhileShown}; }
