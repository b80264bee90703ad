// The list of the main window: a scrolled list of lines that draws only the lines in sight.
// It knows how many lines there are, never their text: it asks its line source for the text
// of each line as it draws it, so a view of a million rows costs what one page costs. A line
// is read in the format of FLTK's browser lines ("@B<colour>" background, "@b" bold, "@i"
// italic, "@r" right-aligned, "@c" centred, "@." ends the codes, tab-separated columns), and
// the list draws, scrolls and selects as an Fl_Browser of type FL_SELECT_BROWSER does, pixel
// for pixel: existing code and tests keep the browser's method names. Every line has the
// height of one line of the text font, so a position needs no walk over the lines; the size
// codes a browser line may carry ("@l", "@S<n>"), which would make it taller there, draw in
// that height here (no line of a view uses them). GUI thread only.
#ifndef ZOLT_GUI_ROW_LIST_H_
#define ZOLT_GUI_ROW_LIST_H_

#include <FL/Fl_Group.H>
#include <FL/Fl_Scrollbar.H>

#include <string>
#include <vector>

// Invariant: 0 <= value() <= size(); the two scrollbars are the group's only children.
class RowList : public Fl_Group {
 public:
  // Where the lines' text comes from.
  class LineSource {
   public:
    virtual ~LineSource() = default;
    // The text of `line` (from 1, at most the list's size()) into `text`, emptied first.
    virtual void lineText(int line, std::string& text) = 0;
  };

  RowList(int X, int Y, int W, int H, const char* label = nullptr);
  RowList(const RowList&) = delete;
  RowList& operator=(const RowList&) = delete;

  // `source` is not owned and must outlive the list (or be replaced first).
  void lineSource(LineSource* source) { source_ = source; }
  // A new list of `count` lines: nothing selected, scrolled to the top. The text of every
  // line may have changed.
  void lines(int count);
  // The number of lines.
  int size() const { return count_; }
  using Fl_Widget::size;
  // The text of line `line` (from 1), made now; valid until the next call. Null when there
  // is no such line.
  const char* text(int line) const;

  // The selected line, 0 when none. After a click the line stays selected without its
  // highlight, as a select browser leaves it.
  int value() const { return selected_; }
  // Selects `line` (highlighted) and scrolls it into sight; 0 for a line out of range.
  int select(int line);
  // Selects nothing; 1 when something was selected.
  int deselect();

  // The first line in sight (from 1; 1 for an empty list).
  int topline() const;
  // Scrolls so that `line` is the first in sight (clamped to the lines there are).
  void topline(int line);
  // True when some of `line` is in sight.
  int displayed(int line) const;
  // Scrolls as little as possible to bring `line` into sight.
  void make_visible(int line);

  // The widths of the fixed columns, ended by 0: a line's tab-separated fields take them in
  // turn and the field after the last takes the rest. `widths` is not owned and must live as
  // long as the list (a static array). None by default.
  void column_widths(const int* widths) { columnWidths_ = widths; }
  // The scrollbars' width; 0 (the default) for FLTK's global size.
  void scrollbar_size(int size) { scrollbarSize_ = size; }
  int textsize() const { return textSize_; }
  void textsize(int size) { textSize_ = size; }
  Fl_Font textfont() const { return textFont_; }
  void textfont(Fl_Font font) { textFont_ = font; }
  // The pixels a line takes: the height of the text font at the text size.
  int lineHeight() const;

  void draw() override;
  int handle(int event) override;
  void resize(int X, int Y, int W, int H) override;

 private:
  // The area the lines take, inside the box and left of the scrollbars shown.
  void bbox(int& X, int& Y, int& W, int& H) const;
  int fullHeight() const { return count_ * lineHeight(); }
  // Scrolls to `pixels` from the top of the first line.
  void position(int pixels);
  void hposition(int pixels);
  // Shows or hides the scrollbars for the lines, their widest drawn width and the position.
  void placeScrollbars();
  // Scrolls to show `line` as Fl_Browser_::display does: to the top or bottom edge when it is
  // next to the view, else centred.
  void display(int line);
  // The line at window y `y`, 0 below the last line.
  int lineAt(int y) const;
  // Selects `line` (0: nothing) for a click or drag; true when the selection changed.
  bool selectOnly(int line);
  // Draws `line` (its text, changed while drawing and restored) in the box X, Y, W, H.
  void drawLine(std::string& line, bool selected, int X, int Y, int W, int H);
  void drawScrollbars();
  int push();
  void drag();
  void release();
  int lineWidth(const std::string& text) const;
  int scrollbarSize() const;
  static void cb_scrollbar(Fl_Widget* w, void*);
  static void cb_hscrollbar(Fl_Widget* w, void*);

  LineSource* source_ = nullptr;  // not owned
  int count_ = 0;
  int selected_ = 0;          // the line value() reports, 0 for none
  bool highlighted_ = false;  // whether the selected line is drawn selected
  int position_ = 0;          // pixels scrolled from the top of line 1
  int hposition_ = 0;         // pixels scrolled from the left
  int maxWidth_ = 0;          // the widest line drawn since lines(), in pixels
  bool changed_ = false;      // a push or drag changed the selection
  int lastY_ = 0;             // the pointer's y at the last push or drag
  const int* columnWidths_;   // not owned
  int scrollbarSize_ = 0;
  int textSize_ = FL_NORMAL_SIZE;
  Fl_Font textFont_ = FL_HELVETICA;
  mutable std::string text_;       // the buffer of text()
  std::vector<std::string> page_;  // the lines being drawn
  Fl_Scrollbar* scrollbar_;        // owned by the group
  Fl_Scrollbar* hscrollbar_;       // owned by the group
};

#endif  // ZOLT_GUI_ROW_LIST_H_
