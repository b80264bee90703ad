// The window's geometry at every size it allows, with and without the keyboard strip: on
// each screen no shown widget (or a label drawn beside one) covers another, every one lies
// inside the window, and what does not fit the height can be scrolled to.
#include <gtest/gtest.h>
// After gtest: X11's headers, which FLTK's pull in, define names gtest uses.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Scroll.H>
#include <FL/Fl_Window.H>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "gui/item_editor.h"
#include "gui/main_window_fixture.h"
#include "model/todo_list_todo.h"

namespace {

struct Rect {
  int x, y, w, h;
  std::string name;
};

bool overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

std::string nameOf(const Fl_Widget* w) {
  std::ostringstream s;
  s << (w->label() && *w->label() ? w->label() : "(no label)") << " at " << w->x() << "," << w->y()
    << " " << w->w() << "x" << w->h();
  return s.str();
}

// A label drawn outside its widget (above, below or beside it) takes room as well.
void addOutsideLabel(const Fl_Widget* w, std::vector<Rect>& out) {
  Fl_Align a = w->align();
  if (!w->label() || !*w->label() || (a & FL_ALIGN_INSIDE) || a == FL_ALIGN_CENTER) return;
  int lw = 0, lh = 0;
  w->measure_label(lw, lh);
  std::string name = "the label of " + nameOf(w);
  if (a & FL_ALIGN_TOP) {
    out.push_back({w->x(), w->y() - lh, lw, lh, name});
  } else if (a & FL_ALIGN_BOTTOM) {
    out.push_back({w->x(), w->y() + w->h(), lw, lh, name});
  } else if (a & FL_ALIGN_LEFT) {
    out.push_back({w->x() - lw, w->y(), lw, w->h(), name});
  } else if (a & FL_ALIGN_RIGHT) {
    out.push_back({w->x() + w->w(), w->y(), lw, w->h(), name});
  }
}

bool isScrollBar(const Fl_Widget* c) {
  const Fl_Scroll* s = dynamic_cast<const Fl_Scroll*>(c->parent());
  return s && (c == &s->scrollbar || c == &s->hscrollbar);
}

// The shown widgets below `g`: groups are looked into (their own box is room they lend
// their children); a scroll counts as one widget, its content is checked apart.
void collect(Fl_Group* g, std::vector<Rect>& out, std::vector<Fl_Scroll*>& scrolls) {
  for (int i = 0; i < g->children(); ++i) {
    Fl_Widget* c = g->child(i);
    if (!c->visible() || c->w() <= 0 || c->h() <= 0 || isScrollBar(c)) continue;
    addOutsideLabel(c, out);
    Fl_Scroll* scroll = dynamic_cast<Fl_Scroll*>(c);
    Fl_Group* inner = c->as_group();
    if (scroll) {
      scrolls.push_back(scroll);
      out.push_back({c->x(), c->y(), c->w(), c->h(), "scroll " + nameOf(c)});
    } else if (inner && !dynamic_cast<Fl_Browser*>(c) && inner->children() > 0) {
      collect(inner, out, scrolls);
    } else {
      out.push_back({c->x(), c->y(), c->w(), c->h(), nameOf(c)});
    }
  }
}

// The content of a scroll at scroll position 0: its shown widgets must not cover each
// other, must lie within its width (beside the scroll bar when it scrolls) and may reach
// below its bottom only when it scrolls vertically.
void checkScroll(Fl_Scroll* s, const std::string& where) {
  s->scroll_to(0, 0);
  std::vector<Rect> content;
  std::vector<Fl_Scroll*> nested;
  collect(s, content, nested);
  int bottom = 0;
  for (const Rect& r : content) bottom = std::max(bottom, r.y + r.h);
  bool scrolls = bottom > s->y() + s->h();
  int width = s->w() - (scrolls ? Fl::scrollbar_size() : 0);
  for (size_t i = 0; i < content.size(); ++i) {
    const Rect& a = content[i];
    EXPECT_GE(a.x, s->x()) << where << a.name;
    EXPECT_LE(a.x + a.w, s->x() + width) << where << a.name;
    EXPECT_GE(a.y, s->y()) << where << a.name;
    for (size_t j = i + 1; j < content.size(); ++j) {
      EXPECT_FALSE(overlap(a, content[j])) << where << a.name << " covers " << content[j].name;
    }
  }
  if (scrolls) {
    EXPECT_TRUE(s->type() & Fl_Scroll::VERTICAL) << where << "cannot scroll";
  }
}

class LayoutTest : public MainWindowTest {
 protected:
  // Checks the screen shown at every size and both states of the strip.
  void CheckAllSizes(const std::string& screen, const std::function<void()>& show) {
    static const int kSizes[][2] = {{320, 320}, {320, 340}, {330, 380},   {320, 408},
                                    {320, 410}, {320, 412}, {360, 450},   {400, 320},
                                    {640, 480}, {800, 600}, {1280, 1024}, {2000, 2000}};
    int checked = 0;
    for (bool strip : {false, true}) {
      for (const auto& size : kSizes) {
        doc->setOptShowKbd(strip);
        win->resize(0, 0, size[0], size[1]);
        show();
        std::ostringstream where;
        where << screen << " at " << size[0] << "x" << size[1] << (strip ? " with" : " without")
              << " the strip: ";
        CheckShown(where.str());
        ++checked;
      }
    }
    EXPECT_EQ(24, checked);
  }

  void CheckShown(const std::string& where) {
    std::vector<Rect> shown;
    std::vector<Fl_Scroll*> scrolls;
    collect(win, shown, scrolls);
    ASSERT_GE(shown.size(), 2u) << where;
    for (size_t i = 0; i < shown.size(); ++i) {
      const Rect& a = shown[i];
      EXPECT_GE(a.x, 0) << where << a.name;
      EXPECT_GE(a.y, 0) << where << a.name;
      EXPECT_LE(a.x + a.w, win->w()) << where << a.name;
      EXPECT_LE(a.y + a.h, win->h()) << where << a.name;
      for (size_t j = i + 1; j < shown.size(); ++j) {
        EXPECT_FALSE(overlap(a, shown[j])) << where << a.name << " covers " << shown[j].name;
      }
    }
    for (Fl_Scroll* s : scrolls) checkScroll(s, where);
  }

  // "Call the bank" with a begin and an end, so the editor shows every widget it has.
  void OpenDatedToDo(int screen) {
    doc->setItem(nullptr);
    int line = lineOf("Call the bank");
    ASSERT_NE(0, line);
    ASSERT_EQ(0, doc->setItem2ViewItem(rowOfLine(line)));
    doc->setDate(0, 2009, 2, 12);
    doc->setDate(1, 2009, 2, 10);
    doc->setTime(0, 12, 0);
    doc->setTime(1, 10, 0);
    doc->incsave_rememberTodo();
    win->show_editToDoWin(false, false);
    if (screen != kScreenEditBasics) win->showMain(screen);
  }
  int rowOfLine(int line) { return static_cast<int>(doc->getRowOrder()[line - 1]); }
};

TEST_F(LayoutTest, TheListFitsEverySize) {
  CheckAllSizes("list", [&] { win->showMain(kScreenList); });
}

TEST_F(LayoutTest, TheCalendarFitsEverySize) {
  win->CB_Menu_ZoltView(kMainViewCalendar);
  CheckAllSizes("calendar", [&] { win->showMain(kScreenList); });
}

TEST_F(LayoutTest, TheAboutScreenFitsEverySize) {
  CheckAllSizes("about", [&] { win->showMain(kScreenAbout); });
}

TEST_F(LayoutTest, ThePromptFitsEverySize) {
  CheckAllSizes("prompt", [&] { win->CB_Menu_prompt(kPromptExportGroup); });
}

TEST_F(LayoutTest, TheEditorsScreensFitEverySize) {
  for (int screen : {kScreenEditBasics, kScreenEditTimes, kScreenEditDescription}) {
    OpenDatedToDo(screen);
    CheckAllSizes("editor screen " + std::to_string(screen), [&] { win->showMain(screen); });
    win->CB_Done();
  }
}

TEST_F(LayoutTest, TheGroupEditorFitsEverySize) {
  int line = lineOf("Work");
  ASSERT_NE(0, line);
  Click(line, 10);
  ASSERT_EQ(kScreenEditGroup, win->screen());
  CheckAllSizes("group editor", [&] { win->showMain(kScreenEditGroup); });
}

// The crypt check and the recurrence button of a short window with the strip stay above
// the bar and can be scrolled to.
TEST_F(LayoutTest, ShortWindowWithTheStripScrollsTheEditor) {
  OpenDatedToDo(kScreenEditBasics);
  doc->setOptShowKbd(true);
  win->resize(0, 0, 320, 320);
  win->showMain(kScreenEditBasics);
  EditorScreens* e = win->editor();
  Fl_Scroll* form = dynamic_cast<Fl_Scroll*>(e->crypt->parent());
  ASSERT_NE(nullptr, form) << "the basics lie in a scroll";
  EXPECT_LE(form->y() + form->h(), win->closeButton()->y()) << "above the bar";
  form->scroll_to(0, e->crypt->y() + e->crypt->h() - form->h());
  EXPECT_LE(e->crypt->y() + e->crypt->h(), form->y() + form->h()) << "the crypt check in sight";
  EXPECT_GE(e->recurrence->y(), form->y());
}

}  // namespace
