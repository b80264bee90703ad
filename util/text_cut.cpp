#include "util/text_cut.h"

#include <utf8proc.h>

#include <cstring>

#include "util/text_fold.h"

namespace {

// Walks the code points of a text and tells where a character (a cluster) begins.
class CharacterWalk {
 public:
  CharacterWalk(const char* s, size_t n)
      : text(reinterpret_cast<const utf8proc_uint8_t*>(s)), size(n) {}
  bool done() const { return pos >= size; }
  size_t position() const { return pos; }
  // True when a character begins at the current position; then moves past its first code
  // point (or its one broken byte).
  bool step() {
    utf8proc_int32_t cp = -1;
    utf8proc_ssize_t len =
        utf8proc_iterate(text + pos, static_cast<utf8proc_ssize_t>(size - pos), &cp);
    bool begins;
    if (len < 0) {  // a broken sequence stands alone, and so does whatever follows it
      len = 1;
      cp = -1;
      begins = true;
      state = 0;
    } else {
      begins = pos == 0 || prev < 0 || utf8proc_grapheme_break_stateful(prev, cp, &state);
    }
    pos += static_cast<size_t>(len);
    prev = cp;
    return begins;
  }

 private:
  const utf8proc_uint8_t* text;
  size_t size;
  size_t pos = 0;
  utf8proc_int32_t prev = -1;
  utf8proc_int32_t state = 0;  // carried from pair to pair, as utf8proc asks
};

// ASCII text is one character a byte, but for a carriage return before a line feed.
bool oneCharacterPerByte(const char* s, size_t n) {
  return isAsciiText(s, n) && memchr(s, '\r', n) == nullptr;
}

}  // namespace

size_t characterPrefixBytes(const char* s, size_t n, size_t maxChars) {
  if (oneCharacterPerByte(s, n)) return n < maxChars ? n : maxChars;
  CharacterWalk walk(s, n);
  size_t chars = 0;
  while (!walk.done()) {
    size_t at = walk.position();
    if (walk.step() && chars++ == maxChars) return at;
  }
  return n;
}

size_t characterCount(const char* s, size_t n) {
  if (oneCharacterPerByte(s, n)) return n;
  CharacterWalk walk(s, n);
  size_t chars = 0;
  while (!walk.done()) chars += walk.step() ? 1 : 0;
  return chars;
}

std::string cutWithEllipsis(const std::string& text, size_t maxChars) {
  size_t cut = characterPrefixBytes(text.data(), text.size(), maxChars);
  if (cut == text.size() && characterCount(text.data(), text.size()) < maxChars) return text;
  return text.substr(0, cut) + "...";
}
