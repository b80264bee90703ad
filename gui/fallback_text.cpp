#include "gui/fallback_text.h"

#include <FL/Fl.H>
#include <FL/Fl_Device.H>
#include <fontconfig/fontconfig.h>
#include <utf8proc.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

#include "util/text_fold.h"

namespace {

// FLTK's Xft fonts are named by a style letter (' ' plain, 'B' bold, 'I' italic, 'P' bold
// italic) and a fontconfig family name, as in " sans" or "Bmono".
bool isStyleLetter(char c) { return c == ' ' || c == 'B' || c == 'I' || c == 'P'; }

// The fonts that fontconfig offers for each FLTK font, best first, and the fallback fonts
// registered with FLTK so far.
class FontFallbacks {
 public:
  Fl_Font fontFor(Fl_Font font, int codePoint);

 private:
  struct Base {
    FcFontSet* ranked = nullptr;  // fontconfig's ranking for the font's pattern; not freed
    FcCharSet* own = nullptr;     // the characters of the font drawn for it
    char style = ' ';
  };
  Base& base(Fl_Font font);
  Fl_Font registerFont(char style, const char* family);
  static bool isEmoji(int codePoint);
  static int rankOfFontWith(const Base& b, int codePoint, int from, bool colour);

  std::unordered_map<int, Base> bases;
  std::unordered_map<uint64_t, Fl_Font> chosen;  // (font << 32 | code point) → font
  std::map<std::string, Fl_Font> registered;     // FLTK name → font number
  int nextFree = FL_FREE_FONT;
};

FontFallbacks::Base& FontFallbacks::base(Fl_Font font) {
  auto found = bases.find(font);
  if (found != bases.end()) return found->second;
  Base& b = bases[font];
  const char* name = Fl::get_font(font);
  if (name == nullptr || *name == '\0' || !FcInit()) return b;
  if (isStyleLetter(name[0])) b.style = *name++;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
  if (pattern == nullptr) return b;
  if (b.style == 'B' || b.style == 'P') FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
  if (b.style == 'I' || b.style == 'P') FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ITALIC);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  // Trimmed: a font that adds no character to those ranked above it is left out.
  b.ranked = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
  FcPatternDestroy(pattern);
  if (b.ranked != nullptr && b.ranked->nfont > 0) {
    FcPatternGetCharSet(b.ranked->fonts[0], FC_CHARSET, 0, &b.own);
  }
  return b;
}

Fl_Font FontFallbacks::registerFont(char style, const char* family) {
  std::string name = std::string(1, style) + family;
  auto found = registered.find(name);
  if (found != registered.end()) return found->second;
  // FLTK keeps the name's pointer for as long as the font is known: for the process.
  Fl::set_font(static_cast<Fl_Font>(nextFree), strdup(name.c_str()));
  registered[name] = static_cast<Fl_Font>(nextFree);
  return static_cast<Fl_Font>(nextFree++);
}

Fl_Font FontFallbacks::fontFor(Fl_Font font, int codePoint) {
  uint64_t key =
      static_cast<uint64_t>(static_cast<uint32_t>(font)) << 32 | static_cast<uint32_t>(codePoint);
  auto found = chosen.find(key);
  if (found != chosen.end()) return found->second;
  Fl_Font answer = font;
  Base& b = base(font);
  if (b.own != nullptr) {
    // Emoji are drawn in colour where a colour font has them, even when the chosen font
    // has a plain outline of its own; any other character only when the font lacks it.
    int found = isEmoji(codePoint) ? rankOfFontWith(b, codePoint, 0, true) : -1;
    if (found < 0 && !FcCharSetHasChar(b.own, static_cast<FcChar32>(codePoint))) {
      found = rankOfFontWith(b, codePoint, 1, false);
    }
    FcChar8* family = nullptr;
    if (found > 0 &&
        FcPatternGetString(b.ranked->fonts[found], FC_FAMILY, 0, &family) == FcResultMatch) {
      answer = registerFont(b.style, reinterpret_cast<const char*>(family));
    }
  }
  chosen[key] = answer;
  return answer;
}

// The pictographs of the emoji planes and the flags' letters, which people expect in
// colour; older symbols (©, ☺, ✓) stay with the text's font where it has them.
bool FontFallbacks::isEmoji(int codePoint) {
  if (codePoint < 0x1F000) return false;
  int boundClass = utf8proc_get_property(codePoint)->boundclass;
  return boundClass == UTF8PROC_BOUNDCLASS_EXTENDED_PICTOGRAPHIC ||
         boundClass == UTF8PROC_BOUNDCLASS_REGIONAL_INDICATOR;
}

// The rank, from `from` on, of the first font of `b`'s ranking that has `codePoint` (and
// draws in colour, when `colour`); -1 when none has it.
int FontFallbacks::rankOfFontWith(const Base& b, int codePoint, int from, bool colour) {
  for (int i = from; i < b.ranked->nfont; ++i) {
    FcPattern* f = b.ranked->fonts[i];
    FcCharSet* cs = nullptr;
    FcBool isColour = FcFalse;
    if (colour && (FcPatternGetBool(f, FC_COLOR, 0, &isColour) != FcResultMatch || !isColour)) {
      continue;
    }
    if (FcPatternGetCharSet(f, FC_CHARSET, 0, &cs) == FcResultMatch &&
        FcCharSetHasChar(cs, static_cast<FcChar32>(codePoint))) {
      return i;
    }
  }
  return -1;
}

FontFallbacks& fallbacks() {
  static FontFallbacks* f = new FontFallbacks;  // lives as long as the fonts it registered
  return *f;
}

// Calls run(text, length, font) for each run of `s` that one font draws. A character's
// combining marks, joiners and modifiers stay in its run; a byte that is not UTF-8 is
// left to `base`.
template <typename Run>
void forEachRun(const char* s, int n, Fl_Font base, Run run) {
  auto text = reinterpret_cast<const utf8proc_uint8_t*>(s);
  Fl_Font current = base;
  int start = 0, pos = 0;
  utf8proc_int32_t prev = -1, state = 0;
  while (pos < n) {
    utf8proc_int32_t cp = -1;
    utf8proc_ssize_t len = utf8proc_iterate(text + pos, n - pos, &cp);
    Fl_Font f;
    if (len < 0) {
      len = 1;
      cp = -1;
      state = 0;
      f = base;
    } else if (prev >= 0 && !utf8proc_grapheme_break_stateful(prev, cp, &state)) {
      f = current;
    } else {
      f = cp < 0x80 ? base : fallbacks().fontFor(base, cp);
    }
    if (f != current) {
      if (pos > start) run(s + start, pos - start, current);
      start = pos;
      current = f;
    }
    prev = cp;
    pos += static_cast<int>(len);
  }
  if (pos > start) run(s + start, pos - start, current);
}

// The display's driver with text drawn and measured run by run. Text of ASCII only goes
// straight to the Xlib driver: the chosen font has those characters.
class FallbackTextDriver : public Fl_Xlib_Graphics_Driver {
 public:
  // The display's own driver, kept as FLTK keeps it: FLTK never frees a display's driver.
  Fl_Graphics_Driver* replaced = nullptr;  // not owned

  void draw(const char* str, int n, int x, int y) override {
    if (n <= 0 || isAsciiText(str, static_cast<size_t>(n))) {
      Fl_Xlib_Graphics_Driver::draw(str, n, x, y);
      return;
    }
    Fl_Font base = Fl_Graphics_Driver::font();
    Fl_Fontsize fontSize = size();
    double at = x;
    forEachRun(str, n, base, [&](const char* run, int len, Fl_Font f) {
      if (f != Fl_Graphics_Driver::font()) Fl_Xlib_Graphics_Driver::font(f, fontSize);
      Fl_Xlib_Graphics_Driver::draw(run, len, static_cast<int>(at + 0.5), y);
      at += Fl_Xlib_Graphics_Driver::width(run, len);
    });
    if (Fl_Graphics_Driver::font() != base) Fl_Xlib_Graphics_Driver::font(base, fontSize);
  }
  double width(const char* str, int n) override {
    if (n <= 0 || isAsciiText(str, static_cast<size_t>(n))) {
      return Fl_Xlib_Graphics_Driver::width(str, n);
    }
    Fl_Font base = Fl_Graphics_Driver::font();
    Fl_Fontsize fontSize = size();
    double w = 0;
    forEachRun(str, n, base, [&](const char* run, int len, Fl_Font f) {
      if (f != Fl_Graphics_Driver::font()) Fl_Xlib_Graphics_Driver::font(f, fontSize);
      w += Fl_Xlib_Graphics_Driver::width(run, len);
    });
    if (Fl_Graphics_Driver::font() != base) Fl_Xlib_Graphics_Driver::font(base, fontSize);
    return w;
  }
  double width(unsigned int c) override {
    Fl_Font base = Fl_Graphics_Driver::font();
    Fl_Font f = c < 0x80 ? base : fallbacks().fontFor(base, static_cast<int>(c));
    if (f == base) return Fl_Xlib_Graphics_Driver::width(c);
    Fl_Fontsize fontSize = size();
    Fl_Xlib_Graphics_Driver::font(f, fontSize);
    double w = Fl_Xlib_Graphics_Driver::width(c);
    Fl_Xlib_Graphics_Driver::font(base, fontSize);
    return w;
  }
};

}  // namespace

Fl_Font fontForCharacter(Fl_Font font, int codePoint) {
  return fallbacks().fontFor(font, codePoint);
}

void installFallbackText() {
  static FallbackTextDriver* driver = nullptr;
  if (driver != nullptr) return;
  driver = new FallbackTextDriver;  // the display's for the rest of the process
  Fl_Display_Device* display = Fl_Display_Device::display_device();
  bool current = Fl_Surface_Device::surface() == display;
  driver->replaced = display->driver();
  display->driver(driver);
  if (current) display->set_current();
}
