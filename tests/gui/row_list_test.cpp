// The list that draws only the lines in sight, in a real window: it reads no line it does not
// draw, and it draws, scrolls and selects as FLTK's select browser does with the same lines,
// pixel for pixel and callback for callback.
#include <gtest/gtest.h>
// After gtest: X11's headers, which FLTK's pull in, define names gtest uses.
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "document/list_format.h"
#include "gui/main_window_fixture.h"
#include "gui/row_list.h"

namespace {

const int kColumns[] = {26, 0};

// Lines from a function, counting the calls.
class FunctionSource : public RowList::LineSource {
 public:
  explicit FunctionSource(std::function<std::string(int)> f) : make(std::move(f)) {}
  void lineText(int line, std::string& text) override {
    ++calls;
    text = make(line);
  }
  std::function<std::string(int)> make;
  int calls = 0;
};

// The lines of the list's rows as the window makes them: two row colours, the mark column.
std::string normalLine(int n) {
  std::string prefix = n % 2 ? "@B55" : "@B53";
  return prefix + (n % 3 ? "o\t" : "x\t") + prefix + "@.To-do number " + std::to_string(n);
}

// A calendar's look: a heading every fifth line (right-aligned, bold or italic), a group
// line in bold, an empty closing line and a text with an "@".
std::string calendarLine(int n) {
  switch (n % 5) {
    case 0:
      return std::string("@B50\t@B50") + (n % 2 ? "@b" : "@i") + "@rMonday " + std::to_string(n);
    case 1:
      return "@B55@bO\t@b@B55@.Group " + std::to_string(n);
    case 2:
      return "@B53a\t@B53@.(9:00-10:30) mail@example.org";
    case 3:
      return "";
    default:
      return "@B55i\t@B55@.A note";
  }
}

struct Picture {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  bool operator==(const Picture& o) const { return w == o.w && h == o.h && rgb == o.rgb; }
};

// The first pixel row where two pictures differ, -1 when none does.
int firstDifferentRow(const Picture& a, const Picture& b) {
  for (int y = 0; y < a.h; ++y) {
    for (int i = 0; i < 3 * a.w; ++i) {
      if (a.rgb[3 * a.w * y + i] != b.rgb[3 * a.w * y + i]) return y;
    }
  }
  return -1;
}

// A window holding an Fl_Browser and a RowList in the same place, one shown at a time.
class RowListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fl::scrollbar_size(20);
    window = new Fl_Window(300, 240, "row list");
    browser = new Fl_Browser(0, 0, 300, 240);
    browser->type(FL_SELECT_BROWSER);
    browser->column_widths(kColumns);
    browser->textsize(20);
    browser->when(FL_WHEN_CHANGED | FL_WHEN_RELEASE_ALWAYS);
    browser->callback(noteCallback, this);
    list = new RowList(0, 0, 300, 240);
    list->column_widths(kColumns);
    list->textsize(20);
    list->scrollbar_size(20);
    list->when(FL_WHEN_CHANGED | FL_WHEN_RELEASE_ALWAYS);
    list->callback(noteCallback, this);
    list->lineSource(&source);
    window->end();
    window->show();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(window->shown() && window->visible() && window->damage() == 0)) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the window was never drawn";
      Fl::wait(0.05);
    }
  }
  void TearDown() override { delete window; }

  // The same `count` lines in both widgets.
  void Fill(int count, std::string (*make)(int)) {
    source.make = make;
    browser->clear();
    for (int n = 1; n <= count; ++n) browser->add(make(n).c_str());
    list->lines(count);
  }
  // What `w` shows, drawn alone in the window.
  Picture Drawn(Fl_Widget* w) {
    (w == list ? static_cast<Fl_Widget*>(browser) : list)->hide();
    w->show();
    window->redraw();
    Fl::flush();
    XSync(fl_display, False);
    Picture p;
    p.w = window->w();
    p.h = window->h();
    p.rgb.resize(3 * p.w * p.h);
    window->make_current();
    fl_read_image(p.rgb.data(), 0, 0, p.w, p.h);
    return p;
  }
  void ExpectSamePixels(const std::string& what) {
    Picture a = Drawn(browser), b = Drawn(list);
    EXPECT_EQ(-1, firstDifferentRow(a, b)) << what << ": the first pixel row that differs";
  }
  // A left button event at window point x, y, delivered as the display would.
  void Mouse(int event, int x, int y) {
    Fl::e_x = x;
    Fl::e_y = y;
    Fl::e_x_root = window->x() + x;
    Fl::e_y_root = window->y() + y;
    Fl::e_keysym = FL_Button + 1;
    Fl::e_state = event == FL_RELEASE ? 0 : FL_BUTTON1;
    Fl::e_clicks = 0;
    Fl::handle(event, window);
  }
  void Wheel(int dy) {
    Fl::e_x = 100;
    Fl::e_y = 100;
    Fl::e_dx = 0;
    Fl::e_dy = dy;
    Fl::handle(FL_MOUSEWHEEL, window);
  }
  static void noteCallback(Fl_Widget* w, void* self) {
    RowListTest* t = static_cast<RowListTest*>(self);
    int value = w == t->browser ? t->browser->value() : t->list->value();
    t->calls.push_back(std::to_string(value) + (Fl::pushed() ? " pushed" : " released"));
  }

  FunctionSource source{normalLine};
  Fl_Window* window = nullptr;
  Fl_Browser* browser = nullptr;
  RowList* list = nullptr;
  std::vector<std::string> calls;
};

TEST_F(RowListTest, ReadsOnlyTheLinesItDraws) {
  Fill(0, normalLine);
  list->lines(1000000);
  Drawn(list);
  int page = 240 / list->lineHeight() + 1;
  ASSERT_GT(source.calls, 0) << "the list drew lines";
  EXPECT_LE(source.calls, page) << "one page of a million lines";
  source.calls = 0;
  list->topline(500000);
  Drawn(list);
  EXPECT_EQ(500000, list->topline());
  ASSERT_GT(source.calls, 0);
  EXPECT_LE(source.calls, page) << "a page in the middle";
  source.calls = 0;
  list->select(999999);
  Drawn(list);
  EXPECT_LE(source.calls, page) << "a page at the end";
  EXPECT_TRUE(list->displayed(999999));
}

TEST_F(RowListTest, TextIsMadeOnDemand) {
  Fill(3, normalLine);
  EXPECT_EQ(normalLine(2), list->text(2));
  EXPECT_EQ(1, source.calls);
  EXPECT_EQ(nullptr, list->text(0));
  EXPECT_EQ(nullptr, list->text(4));
}

TEST_F(RowListTest, DrawsAsTheBrowserDoes) {
  static const struct {
    const char* what;
    std::string (*make)(int);
    int count, top, selected;
    bool focus;
  } kCases[] = {
      {"a few lines, no scrollbar", normalLine, 4, 0, 0, false},
      {"lines beyond the height", normalLine, 40, 0, 0, false},
      {"headings, bold, italic, right-aligned, empty lines", calendarLine, 12, 0, 0, false},
      {"a selected line", normalLine, 40, 0, 3, false},
      {"a selected heading", calendarLine, 40, 0, 5, false},
      {"scrolled", calendarLine, 100, 37, 0, false},
      {"scrolled to the end", normalLine, 100, 100, 0, false},
      {"a selected line with the focus", normalLine, 40, 0, 2, true},
  };
  for (const auto& c : kCases) {
    Fill(c.count, c.make);
    if (c.top > 0) {
      browser->topline(c.top);
      list->topline(c.top);
    }
    if (c.selected > 0) {
      browser->select(c.selected);
      list->select(c.selected);
    }
    if (c.focus) {
      browser->show();
      Fl::focus(browser);
    }
    Picture a = Drawn(browser);
    if (c.focus) Fl::focus(list);
    Picture b = Drawn(list);
    EXPECT_EQ(-1, firstDifferentRow(a, b)) << c.what << ": the first pixel row that differs";
    EXPECT_EQ(browser->topline(), list->topline()) << c.what;
    Fl::focus(nullptr);
  }
}

TEST_F(RowListTest, ALineWiderThanTheListScrollsSideways) {
  Fill(30, [](int n) { return n == 2 ? normalLine(n) + std::string(40, 'w') : normalLine(n); });
  ExpectSamePixels("a horizontal scrollbar under the lines");
}

TEST_F(RowListTest, WheelAndScrollbarScrollAsTheBrowsersDo) {
  Fill(100, normalLine);
  Drawn(browser);
  Drawn(list);
  for (int dy : {1, 1, 3, -1}) {
    browser->show();
    list->hide();
    Wheel(dy);
    Drawn(browser);
    list->show();
    browser->hide();
    Wheel(dy);
    Drawn(list);
    EXPECT_EQ(browser->topline(), list->topline()) << "after the wheel by " << dy;
  }
  EXPECT_GT(list->topline(), 1) << "the wheel scrolled";
  // Dragging the scrollbar's knob: the list follows the bar's value.
  Fl_Scrollbar* bars[2] = {&browser->scrollbar, static_cast<Fl_Scrollbar*>(list->child(0))};
  Fl_Widget* widgets[2] = {browser, list};
  for (int k = 0; k < 2; ++k) {
    Drawn(widgets[k]);
    ASSERT_TRUE(bars[k]->visible());
    bars[k]->value(1000);
    bars[k]->do_callback();
    Drawn(widgets[k]);
  }
  EXPECT_EQ(browser->topline(), list->topline());
  EXPECT_EQ(1000 / list->lineHeight() + 1, list->topline()) << "the top line holds the bar's pixel";
  ExpectSamePixels("scrolled by the bar");
}

TEST_F(RowListTest, AClickSelectsAndCallsBackAsTheBrowserDoes) {
  Fill(40, normalLine);
  std::vector<std::string> seen[2];
  Picture pressed[2], released[2];
  Fl_Widget* widgets[2] = {browser, list};
  for (int k = 0; k < 2; ++k) {
    Drawn(widgets[k]);
    calls.clear();
    int y = 3 * list->lineHeight() - 2;  // inside the third line
    Mouse(FL_PUSH, 100, y);
    pressed[k] = Drawn(widgets[k]);
    Mouse(FL_DRAG, 100, y + list->lineHeight());
    Mouse(FL_RELEASE, 100, y + list->lineHeight());
    released[k] = Drawn(widgets[k]);
    Mouse(FL_PUSH, 100, 239 + 100);  // below the list: outside the window
    Mouse(FL_RELEASE, 100, 239 + 100);
    seen[k] = calls;
    Fl::focus(nullptr);
  }
  ASSERT_FALSE(seen[1].empty()) << "the list called back";
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_EQ("3 pushed", seen[1].front());
  EXPECT_EQ(4, list->value()) << "the line released on stays chosen";
  EXPECT_EQ(-1, firstDifferentRow(pressed[0], pressed[1])) << "while pressed";
  EXPECT_EQ(-1, firstDifferentRow(released[0], released[1])) << "after the release";
}

TEST_F(RowListTest, EveryPixelRowPicksTheBrowsersLine) {
  Fill(40, normalLine);
  std::vector<std::string> picked[2];
  Fl_Widget* widgets[2] = {browser, list};
  for (int k = 0; k < 2; ++k) {
    Drawn(widgets[k]);
    for (int y = 0; y < 240; ++y) {
      Mouse(FL_PUSH, 100, y);
      Mouse(FL_RELEASE, 100, y);
      int value = k == 0 ? browser->value() : list->value();
      int top = k == 0 ? browser->topline() : list->topline();
      picked[k].push_back(std::to_string(y) + ": line " + std::to_string(value) + ", top " +
                          std::to_string(top));
    }
    Fl::focus(nullptr);
  }
  EXPECT_EQ(picked[0], picked[1]);
  ASSERT_EQ(240u, picked[1].size());
  EXPECT_GT(list->value(), 240 / list->lineHeight()) << "the line cut by the bottom edge";
}

TEST_F(RowListTest, KeepsPositionsAsTheBrowserDoes) {
  Fill(100, normalLine);
  Drawn(list);
  for (int line : {50, 1, 100, 99, 30, 31, 29, 3}) {
    browser->select(line);
    list->select(line);
    browser->make_visible(line);
    list->make_visible(line);
    Drawn(browser);
    Drawn(list);
    EXPECT_EQ(browser->topline(), list->topline()) << "selecting " << line;
    for (int l = 1; l <= 100; ++l) {
      ASSERT_EQ(browser->displayed(l), list->displayed(l)) << "line " << l << " after " << line;
    }
  }
}

// The main window's list, clicked with the mouse as a person clicks it.
class RowListWindowTest : public MainWindowTest {
 protected:
  // The first line of an open to-do; 0 when there is none.
  int firstOpenLine() const {
    for (int l = 1; l <= lines(); ++l) {
      if (line(l).find("o\t") != std::string::npos) return l;
    }
    return 0;
  }
  // A press and release of the left button on line `n`, `x` pixels into the list.
  void RealClick(int n, int x) {
    RowList* list = win->list();
    int h = list->lineHeight();
    Fl::e_x = list->x() + x;
    Fl::e_y = list->y() + Fl::box_dy(FL_DOWN_BOX) + (n - list->topline()) * h + h / 2;
    Fl::e_keysym = FL_Button + 1;
    Fl::e_clicks = 0;
    Fl::e_state = FL_BUTTON1;
    Fl::handle(FL_PUSH, win);
    Fl::e_state = 0;
    Fl::handle(FL_RELEASE, win);
  }
};

TEST_F(RowListWindowTest, AClickInTheMarkColumnCompletesTheToDo) {
  ShowWindow();
  int open = firstOpenLine();
  ASSERT_GT(open, 0) << "the fixture has an open to-do";
  std::string summary = shown(open);
  RealClick(open, 10);
  int now = lineOf(summary);
  ASSERT_GT(now, 0);
  EXPECT_NE(std::string::npos, line(now).find("x\t")) << "the click completed it";
}

// The row colours as a walk over the whole view from its top gives them: they restart at
// each heading or special day and step on each item row.
std::vector<std::string> calendarLinesFromTheTop(const Zolt& doc) {
  std::vector<std::string> out;
  bool alternate = false;
  for (size_t line = 0; line < doc.lineCount(); ++line) {
    const T_viewDataItem& r = doc.lineRow(line);
    if (r.priority == kRowHeading || r.priority == kRowSpecialDay) alternate = false;
    out.push_back(formatCalendarLine(r, alternate));
    if (r.priority < kRowHeading) alternate = !alternate;
  }
  return out;
}

TEST_F(RowListWindowTest, CalendarLinesReadInAnyOrderMatchAWalkFromTheTop) {
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(0, doc->newToDo(0, 0));
    doc->setItemSummary("Due today " + std::to_string(i));
    ASSERT_EQ(0, doc->setDateToday(0));
  }
  win->CB_Menu_ZoltView(kMainViewCalendar);
  win->CB_CalSpan(7);
  std::vector<std::string> expected = calendarLinesFromTheTop(*doc);
  ASSERT_EQ(expected.size(), static_cast<size_t>(lines()));
  ASSERT_GT(lines(), 12) << "days with items";
  int alternates = 0;
  for (const std::string& e : expected) alternates += e.find(kRowPrefixB) != std::string::npos;
  ASSERT_GT(alternates, 1) << "rows of both colours";
  // Backwards, forwards, and hopping about: each line read alone.
  std::vector<int> order;
  for (int n = lines(); n >= 1; --n) order.push_back(n);
  for (int n = 1; n <= lines(); ++n) order.push_back(n);
  for (int n = 1; n <= lines(); n += 3) order.push_back(lines() + 1 - n);
  for (int n : order) EXPECT_EQ(expected[n - 1], line(n)) << "line " << n;
}

// A change can delete items before the view is rebuilt, and a message about it lets the list
// draw meanwhile: the lines then come from the rows alone (a sanitizer run sees any read of
// a deleted item).
TEST_F(RowListWindowTest, ADeletedRunningToDoIsNotReadBeforeTheViewIsRebuilt) {
  ShowWindow();
  int open = firstOpenLine();
  ASSERT_GT(open, 0) << "the fixture has an open to-do";
  std::string summary = shown(open);
  ASSERT_EQ(0, doc->setItem2ViewItem(static_cast<int>(doc->rowIndexOfLine(open - 1))));
  ASSERT_EQ(0, doc->setItemRunning(true));
  win->showList(0);
  int running = lineOf(summary + "  (running)");
  ASSERT_GT(running, 0);
  ASSERT_EQ(0, doc->setItem2ViewItem(static_cast<int>(doc->rowIndexOfLine(running - 1))));
  ASSERT_EQ(0, doc->delToDo());
  win->list()->redraw();
  Fl::flush();
  for (int l = 1; l <= lines(); ++l) {
    EXPECT_EQ(std::string::npos, shown(l).find("(running)")) << "line " << l << ": " << shown(l);
  }
  win->showList(0);
  EXPECT_EQ(0, lineOf(summary)) << "gone once the view is rebuilt";
  EXPECT_EQ(0, lineOf(summary + "  (running)"));
}

// A running to-do is marked from its row, so a calendar with one makes only the rows of
// the days in sight, not every row to look for it.
TEST_F(RowListWindowTest, ARunningToDoInTheCalendarIsMarkedFromTheRowsInSight) {
  ShowWindow();
  doc->setMainViewType(kMainViewCalendar);
  doc->setCalSpan(42);
  win->showList(0);
  ASSERT_EQ(0, doc->newToDo(3, doc->rowIndexOfLine(doc->lineCount() - 1)));
  doc->setItemSummary("Late work");
  ASSERT_EQ(0, doc->setItemRunning(true));
  win->showList(0);
  Fl::flush();
  EXPECT_LT(doc->rowsMade(), doc->lineCount() / 2) << "only the days in sight are made";
  win->list()->select(lines());
  int running = 0;
  for (int l = lines(); l > lines() - 5 && running == 0; --l) {
    if (shown(l) == "Late work  (running)") running = l;
  }
  EXPECT_GT(running, 0) << "the last day shows the running to-do marked";
}

}  // namespace
