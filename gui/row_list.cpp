#include "gui/row_list.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

static const int kNoColumns[] = {0};
static const char kFormatChar = '@';
static const char kColumnChar = '\t';

RowList::RowList(int X, int Y, int W, int H, const char* label)
    : Fl_Group(X, Y, W, H, label), columnWidths_(kNoColumns) {
  box(FL_NO_BOX);
  align(FL_ALIGN_BOTTOM);
  color(FL_BACKGROUND2_COLOR, FL_SELECTION_COLOR);
  when(FL_WHEN_RELEASE_ALWAYS);
  // Both start hidden and sized by draw(), as the browser's do.
  scrollbar_ = new Fl_Scrollbar(0, 0, 0, 0);
  scrollbar_->callback(cb_scrollbar);
  scrollbar_->clear_visible();
  scrollbar_->clear_visible_focus();  // the keys go to the list itself
  hscrollbar_ = new Fl_Scrollbar(0, 0, 0, 0);
  hscrollbar_->type(FL_HORIZONTAL);
  hscrollbar_->callback(cb_hscrollbar);
  hscrollbar_->clear_visible();
  hscrollbar_->clear_visible_focus();
  end();
}

void RowList::cb_scrollbar(Fl_Widget* w, void*) {
  static_cast<RowList*>(w->parent())->position(static_cast<Fl_Scrollbar*>(w)->value());
}

void RowList::cb_hscrollbar(Fl_Widget* w, void*) {
  static_cast<RowList*>(w->parent())->hposition(static_cast<Fl_Scrollbar*>(w)->value());
}

// ---- Lines, selection and position ----

void RowList::lines(int count) {
  count_ = std::max(0, count);
  selected_ = 0;
  highlighted_ = false;
  position_ = hposition_ = maxWidth_ = 0;
  redraw();
}

const char* RowList::text(int line) const {
  if (line < 1 || line > count_) return nullptr;
  text_.clear();
  if (source_ != nullptr) source_->lineText(line, text_);
  return text_.c_str();
}

int RowList::lineHeight() const {
  fl_font(textFont_, textSize_);
  return std::max(2, fl_height());
}

int RowList::select(int line) {
  if (line < 1 || line > count_) return 0;
  if (line == selected_) return 0;
  selected_ = line;
  highlighted_ = true;
  display(line);
  redraw();
  return 1;
}

int RowList::deselect() {
  if (selected_ == 0) return 0;
  selected_ = 0;
  highlighted_ = false;
  redraw();
  return 1;
}

void RowList::position(int pixels) {
  pixels = std::max(0, pixels);
  if (pixels == position_) return;
  position_ = pixels;
  redraw();
}

void RowList::hposition(int pixels) {
  pixels = std::max(0, pixels);
  if (pixels == hposition_) return;
  hposition_ = pixels;
  redraw();
}

// The position as drawn: past the last line it stops at that line's last pixel row.
static int shownPosition(int position, int count, int lineHeight) {
  return count == 0 ? 0 : std::min(position, count * lineHeight - 1);
}

int RowList::topline() const {
  return shownPosition(position_, count_, lineHeight()) / lineHeight() + 1;
}

void RowList::topline(int line) {
  int X, Y, W, H;
  bbox(X, Y, W, H);
  line = std::max(1, std::min(line, count_));
  int p = count_ == 0 ? 0 : (line - 1) * lineHeight();
  position(std::min(p, fullHeight() - H));
}

int RowList::displayed(int line) const {
  if (line < 1 || line > count_) return 0;
  int X, Y, W, H;
  bbox(X, Y, W, H);
  int h = lineHeight(), shown = shownPosition(position_, count_, h);
  int top = shown / h;
  int k = line - 1 - top;
  return k >= 0 && H + shown % h - k * h > 0;
}

void RowList::make_visible(int line) {
  if (count_ == 0) return;
  display(std::max(1, std::min(line, count_)));
}

void RowList::display(int line) {
  if (line == 1) {
    position(0);
    return;
  }
  int X, Y, W, H;
  bbox(X, Y, W, H);
  int h = lineHeight(), shown = shownPosition(position_, count_, h);
  int top = shown / h, offset = shown % h;
  int itemY = (line - 1 - top) * h - offset;  // the line's top from the view's top
  if (line - 1 == top) {
    position(shown - offset);  // the top line: wholly in sight
  } else if (line - 1 > top) {
    if (itemY > H) {
      position(shown + itemY - (H - h) / 2);  // far below: centred
    } else if (itemY + h - H > 0) {
      position(shown + itemY + h - H);  // at or across the bottom edge: to the bottom
    }
  } else if (line - 1 == top - 1 || itemY + h >= 0) {
    position(shown + itemY);  // just above: to the top
  } else {
    position(shown + itemY - (H - h) / 2);  // far above: centred
  }
}

int RowList::lineAt(int y) const {
  int X, Y, W, H;
  bbox(X, Y, W, H);
  int h = lineHeight(), shown = shownPosition(position_, count_, h);
  int bottom = Y - shown % h;
  for (int line = shown / h + 1; line <= count_; ++line) {
    bottom += h;
    // The pixel row just below a line still picks it, as the browser's does.
    if (y <= bottom || bottom >= Y + H) return line;
  }
  return 0;
}

bool RowList::selectOnly(int line) {
  if (line == 0) return deselect() != 0;
  bool change = line != selected_;
  if (change) {
    selected_ = line;
    highlighted_ = true;
    redraw();
  }
  display(line);
  return change;
}

// ---- Geometry ----

int RowList::scrollbarSize() const {
  return scrollbarSize_ > 0 ? scrollbarSize_ : Fl::scrollbar_size();
}

void RowList::bbox(int& X, int& Y, int& W, int& H) const {
  int scrollsize = scrollbarSize();
  Fl_Boxtype b = box() ? box() : FL_DOWN_BOX;
  X = x() + Fl::box_dx(b);
  Y = y() + Fl::box_dy(b);
  W = w() - Fl::box_dw(b);
  H = h() - Fl::box_dh(b);
  if (scrollbar_->visible()) W -= scrollsize;
  if (W < 0) W = 0;
  if (hscrollbar_->visible()) H -= scrollsize;
  if (H < 0) H = 0;
}

void RowList::resize(int X, int Y, int W, int H) {
  Fl_Widget::resize(X, Y, W, H);
  int scrollsize = scrollbarSize();
  bbox(X, Y, W, H);
  scrollbar_->resize(X + W, Y, scrollsize, H);
  hscrollbar_->resize(X, Y + H, W, scrollsize);
  maxWidth_ = 0;
}

void RowList::placeScrollbars() {
  int X, Y, W, H;
  // Each bar's need depends on the other's room: decide the vertical, the horizontal, and
  // the vertical again.
  for (int pass = 0; pass < 3; ++pass) {
    bbox(X, Y, W, H);
    if (pass == 1) {
      hposition_ > 0 || maxWidth_ > W ? hscrollbar_->set_visible() : hscrollbar_->clear_visible();
    } else {
      position_ > 0 || fullHeight() > H ? scrollbar_->set_visible() : scrollbar_->clear_visible();
    }
  }
  bbox(X, Y, W, H);
  int scrollsize = scrollbarSize();
  int step = std::max(10, count_ > 0 ? lineHeight() : 0);
  scrollbar_->resize(X + W, Y, scrollsize, H);
  scrollbar_->value(position_, H, 0, fullHeight());
  scrollbar_->linesize(step);
  hscrollbar_->resize(X, Y + H, W, scrollsize);
  hscrollbar_->value(hposition_, W, 0, maxWidth_);
  hscrollbar_->linesize(step);
}

// ---- Drawing ----

// The width a line asks for: the fixed columns it fills and its last field's text.
int RowList::lineWidth(const std::string& text) const {
  const char* str = text.c_str();
  int ww = 0;
  for (const int* i = columnWidths_; *i; ++i) {
    const char* e = strchr(str, kColumnChar);
    if (e == nullptr) break;
    str = e + 1;
    ww += *i;
  }
  int size = textSize_;
  Fl_Font font = textFont_;
  bool done = false;
  while (!done && *str == kFormatChar && str[1] && str[1] != kFormatChar) {
    ++str;
    char* rest = const_cast<char*>(str + 1);
    switch (*str++) {
      case 'l':
      case 'L':
        size = 24;
        break;
      case 'm':
      case 'M':
        size = 18;
        break;
      case 's':
        size = 11;
        break;
      case 'b':
        font = static_cast<Fl_Font>(font | FL_BOLD);
        break;
      case 'i':
        font = static_cast<Fl_Font>(font | FL_ITALIC);
        break;
      case 'f':
      case 't':
        font = FL_COURIER;
        break;
      case 'B':
      case 'C':
        strtoul(str, &rest, 10);
        str = rest;
        break;
      case 'F':
        font = static_cast<Fl_Font>(strtoul(str, &rest, 10));
        str = rest;
        break;
      case 'S':
        size = static_cast<int>(strtoul(str, &rest, 10));
        str = rest;
        break;
      case '.':
        done = true;
        break;
      case '@':
        --str;
        done = true;
        break;
      default:
        break;
    }
  }
  if (*str == kFormatChar && str[1]) ++str;
  fl_font(font, size);
  return ww + static_cast<int>(fl_width(str)) + 6;
}

// The format codes at the start of a field: they set the font, size, colour and alignment,
// and draw a background or a rule. Returns where the field's text begins.
struct FieldStyle {
  int size;
  Fl_Font font;
  Fl_Color colour;
  Fl_Align align;
};

static char* readFormat(char* str, bool selected, int X, int Y, int W, int H, FieldStyle& s) {
  while (*str == kFormatChar && *++str && *str != kFormatChar) {
    switch (*str++) {
      case 'l':
      case 'L':
        s.size = 24;
        break;
      case 'm':
      case 'M':
        s.size = 18;
        break;
      case 's':
        s.size = 11;
        break;
      case 'b':
        s.font = static_cast<Fl_Font>(s.font | FL_BOLD);
        break;
      case 'i':
        s.font = static_cast<Fl_Font>(s.font | FL_ITALIC);
        break;
      case 'f':
      case 't':
        s.font = FL_COURIER;
        break;
      case 'c':
        s.align = FL_ALIGN_CENTER;
        break;
      case 'r':
        s.align = FL_ALIGN_RIGHT;
        break;
      case 'B':
        if (!selected) {
          fl_color(static_cast<Fl_Color>(strtoul(str, &str, 10)));
          fl_rectf(X, Y, W, H);
        } else {
          while (isdigit(*str & 255)) ++str;
        }
        break;
      case 'C':
        s.colour = static_cast<Fl_Color>(strtoul(str, &str, 10));
        break;
      case 'F':
        s.font = static_cast<Fl_Font>(strtol(str, &str, 10));
        break;
      case 'N':
        s.colour = FL_INACTIVE_COLOR;
        break;
      case 'S':
        s.size = static_cast<int>(strtol(str, &str, 10));
        break;
      case '-':
        fl_color(FL_DARK3);
        fl_line(X + 3, Y + H / 2, X + W - 3, Y + H / 2);
        fl_color(FL_LIGHT3);
        fl_line(X + 3, Y + H / 2 + 1, X + W - 3, Y + H / 2 + 1);
        break;
      case 'u':
      case '_':
        fl_color(s.colour);
        fl_line(X + 3, Y + H - 1, X + W - 3, Y + H - 1);
        break;
      case '.':
        return str;
      default:
        break;
    }
  }
  return str;
}

// One line, field by field; `line` is the text, changed while drawing and restored.
void RowList::drawLine(std::string& line, bool selected, int X, int Y, int W, int H) {
  char* str = &line[0];
  const int* i = columnWidths_;
  while (W > 6) {
    int w1 = W;
    char* e = nullptr;
    if (*i) {
      e = strchr(str, kColumnChar);
      if (e != nullptr) {
        *e = 0;
        w1 = *i++;
      }
    }
    FieldStyle s = {textSize_, textFont_, FL_FOREGROUND_COLOR, FL_ALIGN_LEFT};
    str = readFormat(str, selected, X, Y, w1, H, s);
    fl_font(s.font, s.size);
    if (selected) s.colour = fl_contrast(s.colour, selection_color());
    if (!active_r()) s.colour = fl_inactive(s.colour);
    fl_color(s.colour);
    fl_draw(str, X + 3, Y, w1 - 6, H, e ? Fl_Align(s.align | FL_ALIGN_CLIP) : s.align, nullptr, 0);
    if (e == nullptr) break;
    *e = kColumnChar;
    X += w1;
    W -= w1;
    str = e + 1;
  }
}

void RowList::draw() {
  int h = lineHeight();
  int first = shownPosition(position_, count_, h) / h + 1;
  int offset = shownPosition(position_, count_, h) % h;
  // The lines in sight with the most room the list can give them, read once.
  Fl_Boxtype b = box() ? box() : FL_DOWN_BOX;
  int room = this->h() - Fl::box_dh(b);
  page_.clear();
  for (int line = first, yy = -offset; line <= count_ && yy < room; ++line, yy += h) {
    page_.emplace_back();
    if (source_ != nullptr) source_->lineText(line, page_.back());
    maxWidth_ = std::max(maxWidth_, lineWidth(page_.back()));
  }
  placeScrollbars();
  int X, Y, W, H;
  bbox(X, Y, W, H);
  draw_box(b, x(), y(), w(), this->h(), color());
  fl_push_clip(X, Y, W, H);
  int yy = -offset;
  for (size_t k = 0; k < page_.size() && yy < H; ++k, yy += h) {
    int line = first + static_cast<int>(k);
    bool selected = line == selected_ && highlighted_;
    if (selected) {
      fl_color(active_r() ? selection_color() : fl_inactive(selection_color()));
      fl_rectf(X, Y + yy, W, h);
    }
    drawLine(page_[k], selected, X - hposition_, Y + yy, W + hposition_, h);
    if (line == selected_ && Fl::focus() == this) {
      draw_box(FL_BORDER_FRAME, X, Y + yy, W, h, color());
      draw_focus(FL_NO_BOX, X, Y + yy, W + 1, h + 1);
    }
  }
  fl_pop_clip();
  drawScrollbars();
}

void RowList::drawScrollbars() {
  if (scrollbar_->visible()) draw_child(*scrollbar_);
  if (hscrollbar_->visible()) draw_child(*hscrollbar_);
  if (scrollbar_->visible() && hscrollbar_->visible()) {
    int size = scrollbarSize();
    fl_color(parent() ? parent()->color() : FL_BACKGROUND_COLOR);
    fl_rectf(scrollbar_->x(), hscrollbar_->y(), size, size);
  }
}

// ---- Events ----

int RowList::handle(int event) {
  if (event == FL_ENTER || event == FL_LEAVE) return 1;
  // Keys belong to the window, which moves the selection itself.
  if (event == FL_KEYBOARD || event == FL_SHORTCUT) return 0;
  if (event == FL_FOCUS || event == FL_UNFOCUS) {
    redraw();  // the focus frame around the selected line comes or goes
    return 1;  // Tab may bring the keys to the list, as to any button of the bar
  }
  Fl_Widget_Tracker tracker(this);
  if (Fl_Group::handle(event)) return 1;
  if (tracker.deleted()) return 1;
  switch (event) {
    case FL_PUSH:
      return push();
    case FL_DRAG:
      drag();
      return 1;
    case FL_RELEASE:
      release();
      return 1;
    default:
      return 0;
  }
}

int RowList::push() {
  int X, Y, W, H;
  bbox(X, Y, W, H);
  if (!Fl::event_inside(X, Y, W, H)) return 0;
  if (Fl::visible_focus()) {
    Fl::focus(this);
    redraw();
  }
  lastY_ = Fl::event_y();
  changed_ = count_ > 0 && selectOnly(lineAt(lastY_));
  if (changed_ && (when() & FL_WHEN_CHANGED)) {
    set_changed();
    do_callback();
  }
  return 1;
}

void RowList::drag() {
  int X, Y, W, H;
  bbox(X, Y, W, H);
  int my = Fl::event_y();
  int shown = shownPosition(position_, count_, lineHeight());
  // Dragging past an edge scrolls by as far as the pointer went beyond it.
  if (my < Y && my < lastY_) {
    position(shown + my - Y);
  } else if (my > Y + H && my > lastY_) {
    position(std::max(0, std::min(shown + my - (Y + H), fullHeight() - H)));
  }
  if (count_ > 0) {
    bool change = selectOnly(lineAt(my));
    changed_ = changed_ || change;
    if (change && (when() & FL_WHEN_CHANGED)) {
      Fl_Widget_Tracker tracker(this);
      set_changed();
      do_callback();
      if (tracker.deleted()) return;
    }
  }
  lastY_ = my;
}

// A select list keeps the line chosen but drops its highlight when the button comes up.
void RowList::release() {
  if (highlighted_) {
    highlighted_ = false;
    redraw();
  }
  if (changed_) {
    set_changed();
    if (when() & FL_WHEN_RELEASE) do_callback();
  } else if (when() & FL_WHEN_NOT_CHANGED) {
    do_callback();
  }
}
