// Text drawing that finds a font for every character. FLTK 1.3 draws a string with one
// font, so characters that font lacks (Chinese, Japanese and Korean in a Latin font,
// emoji) would show as empty boxes. installFallbackText() gives the display a graphics
// driver that splits each string into runs by font: a character the chosen font has stays
// in it, any other is drawn and measured with the font that fontconfig ranks first among
// those that have it. Every widget gains from it alike, the list, the title, labels,
// input fields and message boxes, and input fields place their cursor by the same widths.
// The fonts so found take FLTK font numbers from FL_FREE_FONT on. Right-to-left text and
// shaped scripts (Arabic) are beyond it: FLTK 1.3 draws characters one after another.
// GUI thread only.
#ifndef ZOLT_GUI_FALLBACK_TEXT_H_
#define ZOLT_GUI_FALLBACK_TEXT_H_

#include <FL/Enumerations.H>

// Makes the display draw text through the fallback driver; later calls do nothing.
// Call before the first window is drawn.
void installFallbackText();

// The FLTK font that draws the character `codePoint` when `font` is chosen: `font` itself
// when it has the character (or no font has it), else a font registered for it.
Fl_Font fontForCharacter(Fl_Font font, int codePoint);

#endif  // ZOLT_GUI_FALLBACK_TEXT_H_
