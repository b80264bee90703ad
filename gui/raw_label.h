// A label type that draws its text exactly as typed: FLTK's normal labels read a leading
// or trailing "@" as a symbol and "&" as a shortcut mark, so a group named "@home" or
// "R&D" would turn into a drawing or lose a character.
#ifndef ZOLT_GUI_RAW_LABEL_H_
#define ZOLT_GUI_RAW_LABEL_H_

#include <FL/Enumerations.H>

// Registers the label type once and returns it; give it to widgets with labeltype().
Fl_Labeltype rawLabelType();

#endif  // ZOLT_GUI_RAW_LABEL_H_
