// The window with text beyond ASCII: the search prompt folds case in every language, and
// Chinese, Japanese, Korean and emoji show as glyphs in the list and the editor, drawn
// with fonts that have them (Debian's Noto fonts, which tools/install_deps.sh installs).
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "document/search_pairs.h"
#include "gui/item_editor.h"
#include "gui/main_window_fixture.h"
// After GoogleTest: Xlib, which these include, defines None as a macro.
#include <FL/fl_draw.H>
#include <FL/x.H>

namespace {

class UnicodeWindowTest : public MainWindowTest {
 protected:
  // A to-do in the root with `summary`, as the editor would make it.
  void AddToDo(const std::string& summary, unsigned priority = 3) {
    ASSERT_EQ(0, doc->newToDo(0, 0));
    doc->setItemSummary(summary);
    ASSERT_EQ(0, doc->setItemPriority(priority));
  }
  void Search(const std::string& text) {
    win->CB_Menu_prompt(kPromptSearch);
    win->promptInput()->value(text.c_str());
    win->CB_Done();
  }
};

TEST_F(UnicodeWindowTest, SearchPromptFindsTextsInOtherLanguages) {
  for (const SearchPair& p : kSearchPairs) AddToDo(p.stored);
  win->showList(0);
  for (const SearchPair& p : kSearchPairs) {
    Search(p.typed);
    ASSERT_EQ(kMainViewSearch, doc->getMainViewType()) << p.name;
    EXPECT_EQ(p.found, lineOf(p.stored) != 0) << p.name;
    ASSERT_EQ(0, win->CB_Up()) << p.name;
    ASSERT_EQ(kMainViewNormal, doc->getMainViewType()) << p.name;
  }
}

// An RGB picture of part of the window, as the display shows it.
struct Picture {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const { return &rgb[3 * (y * w + x)]; }
  bool sameColour(int x, int y, const unsigned char* c) const {
    const unsigned char* p = at(x, y);
    return abs(p[0] - c[0]) + abs(p[1] - c[1]) + abs(p[2] - c[2]) < 24;
  }
};

// One character's cell: which pixels differ from the background.
struct Cell {
  std::vector<bool> ink;
  int inked = 0;
  bool colourful = false;  // some ink is clearly coloured, not grey
};

class GlyphTest : public UnicodeWindowTest {
 protected:
  // Shows the window and waits, with a deadline, until the display has drawn it.
  void ShowDrawn() {
    ShowWindow();
    win->redraw();
    Fl::flush();
    XSync(fl_display, False);
  }
  Picture Grab(int x, int y, int w, int h) {
    Picture p;
    p.w = w;
    p.h = h;
    p.rgb.resize(3 * w * h);
    win->make_current();
    fl_read_image(p.rgb.data(), x, y, w, h);
    if (const char* dir = getenv("ZOLT_GLYPH_SHOTS")) {  // for a person to look at
      std::string name = std::string(dir) + "/" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                         std::to_string(shots++) + ".ppm";
      if (FILE* f = fopen(name.c_str(), "wb")) {
        fprintf(f, "P6\n%d %d\n255\n", w, h);
        fwrite(p.rgb.data(), 1, p.rgb.size(), f);
        fclose(f);
      }
    }
    return p;
  }
  // The cells of `text`'s characters drawn from `x0` on in the picture's rows `y0` to
  // `y1` with `font` and `size` (as the widget draws it), each `width` pixels wide from
  // where the character begins, blanks left out.
  static std::vector<Cell> Cells(const Picture& p, int x0, int y0, int y1, const std::string& text,
                                 Fl_Font font, int size, const unsigned char* background) {
    fl_font(font, size);
    std::vector<Cell> cells;
    size_t at = 0;
    while (at < text.size()) {
      int len = fl_utf8len1(text[at]);
      int from = x0 + static_cast<int>(fl_width(text.data(), static_cast<int>(at)) + 0.5);
      int to = x0 + static_cast<int>(fl_width(text.data(), static_cast<int>(at + len)) + 0.5);
      if (text[at] != ' ') cells.push_back(CellAt(p, from, to, y0, y1, background));
      at += len;
    }
    return cells;
  }
  static Cell CellAt(const Picture& p, int from, int to, int y0, int y1,
                     const unsigned char* background) {
    Cell c;
    for (int y = y0; y < y1; ++y) {
      for (int x = from; x < to; ++x) {
        bool ink = x >= 0 && x < p.w && !p.sameColour(x, y, background);
        c.ink.push_back(ink);
        if (!ink) continue;
        ++c.inked;
        const unsigned char* q = p.at(x, y);
        int hi = std::max({q[0], q[1], q[2]}), lo = std::min({q[0], q[1], q[2]});
        c.colourful = c.colourful || hi - lo > 80;
      }
    }
    return c;
  }
  // Pixels inked in one cell and not in the other, over the first's width.
  static int Difference(const Cell& a, const Cell& b) {
    int d = 0;
    for (size_t i = 0; i < std::max(a.ink.size(), b.ink.size()); ++i) {
      bool x = i < a.ink.size() && a.ink[i], y = i < b.ink.size() && b.ink[i];
      d += x != y ? 1 : 0;
    }
    return d;
  }
  // Each glyph cell holds ink, no two look alike, and none looks like the box the
  // display draws for a character that no font has.
  static void ExpectGlyphs(const std::vector<Cell>& glyphs, const Cell& box, const char* where) {
    ASSERT_EQ(7u, glyphs.size()) << where;
    ASSERT_GT(box.inked, 0) << where << ": the missing-glyph box was not drawn";
    for (size_t i = 0; i < glyphs.size(); ++i) {
      EXPECT_GT(glyphs[i].inked, 20) << where << ", character " << i;
      EXPECT_GT(Difference(glyphs[i], box), glyphs[i].inked / 3) << where << ", character " << i;
      for (size_t j = 0; j < i; ++j) {
        EXPECT_GT(Difference(glyphs[i], glyphs[j]), 20)
            << where << ", characters " << j << " " << i;
      }
    }
    EXPECT_TRUE(glyphs[6].colourful) << where << ": the emoji is drawn in colour";
    EXPECT_FALSE(box.colourful) << where;
  }
  // The first column from `x` on that holds ink in rows y0 to y1.
  static int FirstInk(const Picture& p, int x, int y0, int y1, const unsigned char* background) {
    for (; x < p.w; ++x) {
      for (int y = y0; y < y1; ++y) {
        if (!p.sameColour(x, y, background)) return x;
      }
    }
    return -1;
  }
  int shots = 0;
};

// 日本語 한국어 😀, and seven characters that no font has (U+10FFFD, private use).
const char* const kGlyphText =
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xed\x95\x9c\xea\xb5\xad\xec\x96\xb4 \xf0\x9f\x98\x80";
const std::string kBoxText = [] {
  std::string s;
  for (int i = 0; i < 7; ++i) s += "\xf4\x8f\xbf\xbd";
  return s;
}();

TEST_F(GlyphTest, ListRowShowsCjkAndEmojiAsGlyphs) {
  // The fixture's rows stay; these two sort first, by priority.
  AddToDo(kGlyphText, 1);
  AddToDo(kBoxText, 1);
  doc->setOptsSort(0);
  win->showList(0);
  ASSERT_EQ(std::string(kGlyphText), shown(1));
  ASSERT_EQ(kBoxText, shown(2));
  ShowDrawn();
  RowList* list = win->list();
  Picture p = Grab(list->x(), list->y(), list->w(), list->h());
  // Rows alternate between the two row colours; find each row's band in the text column.
  unsigned char rowColour[2][3];
  for (int k = 0; k < 2; ++k)
    Fl::get_color(k == 0 ? 55 : 53, rowColour[k][0], rowColour[k][1], rowColour[k][2]);
  int probe = p.w - 30, band[2][2] = {{-1, -1}, {-1, -1}};
  for (int y = 0, row = 0; y < p.h && row < 2; ++y) {
    bool in = p.sameColour(probe, y, rowColour[row]);
    if (in && band[row][0] < 0) band[row][0] = y;
    if (!in && band[row][0] >= 0) band[row++][1] = y;
  }
  ASSERT_GE(band[1][1], 0) << "two row bands";
  std::vector<Cell> cells[2];
  for (int k = 0; k < 2; ++k) {
    int x0 = FirstInk(p, 30, band[k][0], band[k][1], rowColour[k]);
    ASSERT_GE(x0, 0) << "row " << k << " shows nothing";
    cells[k] = Cells(p, x0 - 1, band[k][0], band[k][1], k == 0 ? kGlyphText : kBoxText,
                     list->textfont(), list->textsize(), rowColour[k]);
  }
  ExpectGlyphs(cells[0], cells[1][0], "list");
}

TEST_F(GlyphTest, EditorFieldShowsCjkAndEmojiAsGlyphs) {
  AddToDo(kGlyphText, 1);
  win->showList(0);
  win->show_editToDoWin(false, false);
  Fl_Input* field = win->editor()->summary;
  ASSERT_STREQ(kGlyphText, field->value());
  ShowDrawn();
  unsigned char white[3];
  Fl::get_color(field->color(), white[0], white[1], white[2]);
  std::vector<Cell> cells[2];
  for (int k = 0; k < 2; ++k) {
    if (k == 1) {
      field->value(kBoxText.c_str());
      field->redraw();
      Fl::flush();
      XSync(fl_display, False);
    }
    Picture p = Grab(field->x(), field->y(), field->w(), field->h());
    int x0 = FirstInk(p, 3, 4, p.h - 4, white);
    ASSERT_GE(x0, 0) << "the field shows nothing";
    cells[k] = Cells(p, x0 - 1, 4, p.h - 4, k == 0 ? kGlyphText : kBoxText, field->textfont(),
                     field->textsize(), white);
  }
  ExpectGlyphs(cells[0], cells[1][0], "editor");
}

// The title line shows the group's name: drawn once for a group named with the glyphs and
// once for one named with characters no font has, in the same place.
TEST_F(GlyphTest, TitleShowsCjkAndEmojiAsGlyphs) {
  ShowDrawn();
  std::vector<Cell> cells[2];
  for (int k = 0; k < 2; ++k) {
    ASSERT_EQ(0, doc->newGroup());  // the new group is current
    doc->setGroupSummary(k == 0 ? kGlyphText : kBoxText);
    win->showList(0);
    ASSERT_EQ(k == 0 ? std::string(kGlyphText) : kBoxText, doc->getCurGroupPathText());
    win->redraw();
    Fl::flush();
    XSync(fl_display, False);
    Fl_Button* title = win->titleButton();
    Picture p = Grab(title->x(), title->y(), title->w(), title->h());
    unsigned char background[3];
    Fl::get_color(title->color(), background[0], background[1], background[2]);
    int x0 = FirstInk(p, 3, 3, p.h - 3, background);
    ASSERT_GE(x0, 0) << "the title shows nothing";
    cells[k] = Cells(p, x0 - 1, 3, p.h - 3, k == 0 ? kGlyphText : kBoxText, title->labelfont(),
                     title->labelsize(), background);
    ASSERT_EQ(0, doc->leaveCurGroup());
  }
  ExpectGlyphs(cells[0], cells[1][0], "title");
}

}  // namespace
