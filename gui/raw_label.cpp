#include "gui/raw_label.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>

static const Fl_Labeltype kRawLabel = FL_FREE_LABELTYPE;

static void drawRaw(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(static_cast<Fl_Color>(label->color));
  char shortcut = fl_draw_shortcut;
  fl_draw_shortcut = 0;
  fl_draw(label->value, x, y, w, h, align, label->image, 0);
  fl_draw_shortcut = shortcut;
}

static void measureRaw(const Fl_Label* label, int& w, int& h) {
  fl_font(label->font, label->size);
  char shortcut = fl_draw_shortcut;
  fl_draw_shortcut = 0;
  fl_measure(label->value, w, h, 0);
  fl_draw_shortcut = shortcut;
}

Fl_Labeltype rawLabelType() {
  static bool registered = false;
  if (!registered) {
    Fl::set_labeltype(kRawLabel, drawRaw, measureRaw);
    registered = true;
  }
  return kRawLabel;
}
