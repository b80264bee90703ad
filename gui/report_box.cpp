#include "gui/report_box.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "gui/fltk_dialogs.h"
#include "gui/messages.h"
#include "gui/raw_label.h"

static const int kWidth = 760;
static const int kTextSize = 16;
static const int kMargin = 12;
static const int kButtonH = 34;
static const int kDetailH = 320;
static const int kMaxSummaryH = 260;

static void cb_reportOk(Fl_Widget* w, void*) { w->window()->hide(); }

void showReport(const std::string& summary, const std::string& detail, bool problem) {
  if (detail.empty()) {
    problem ? showAlert(summary) : showMessage(summary);
    return;
  }
  int textW = kWidth - 2 * kMargin, textH = 0;
  fl_font(FL_HELVETICA, kTextSize);
  fl_measure(summary.c_str(), textW, textH, 0);
  int summaryH = std::min(textH + 4, kMaxSummaryH);
  int H = summaryH + kDetailH + kButtonH + 4 * kMargin;
  DialogWindow window(kWidth, H, problem ? kAlertTitle : kMessageTitle);
  Fl_Box* head = new Fl_Box(kMargin, kMargin, kWidth - 2 * kMargin, summaryH);
  head->copy_label(summary.c_str());
  head->labeltype(rawLabelType());
  head->labelsize(kTextSize);
  head->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP | FL_ALIGN_WRAP);
  Fl_Text_Buffer buffer;
  buffer.text(detail.c_str());
  auto* notes =
      new Fl_Text_Display(kMargin, 2 * kMargin + summaryH, kWidth - 2 * kMargin, kDetailH);
  notes->buffer(&buffer);
  notes->textsize(kTextSize);
  notes->wrap_mode(Fl_Text_Display::WRAP_AT_BOUNDS, 0);
  auto* ok =
      new Fl_Return_Button(kWidth - kMargin - 90, H - kMargin - kButtonH, 90, kButtonH, "OK");
  ok->labelsize(kTextSize);
  ok->callback(cb_reportOk);
  window.end();
  window.hotspot(&window);
  runModal(&window);
  notes->buffer(nullptr);  // the buffer goes before the display that points at it
}
