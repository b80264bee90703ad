// Case-insensitive matching of UTF-8 text for the search: both sides are brought to the
// Unicode NFKC case folding (canonical and compatibility composition, full case folding,
// default-ignorable characters dropped), so "Straße" holds "STRASSE", "Ärger" holds "ärger"
// and a composed "é" matches one stored as "e" and a combining accent. The folding is the
// locale-independent one: "I" folds to "i", and the Turkish dotless "ı" only to itself.
// Text that is not valid UTF-8 has its ASCII letters folded and every other byte kept.
// Any thread; one TextFolder per thread.
#ifndef ZOLT_UTIL_TEXT_FOLD_H_
#define ZOLT_UTIL_TEXT_FOLD_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// True when every one of the `n` bytes at `s` is below 0x80.
bool isAsciiText(const char* s, size_t n);

// Folds texts into buffers it keeps, so that a search over many texts allocates only when a
// text is longer than any before.
class TextFolder {
 public:
  // The folded form of the `n` bytes at `s` (which may hold NULs). The result lives until
  // the next call on this folder.
  const std::string& fold(const char* s, size_t n);
  const std::string& fold(const std::string& s) { return fold(s.data(), s.size()); }

 private:
  // Appends the folding of the `n` bytes at `s`; false when they are not UTF-8.
  bool appendFolded(const char* s, size_t n);

  std::vector<int32_t> codePoints;
  std::string folded;
};

// A text to look for, folded once; then asked against any number of texts.
class FoldedNeedle {
 public:
  explicit FoldedNeedle(const std::string& text);
  // True when the folded `n` bytes at `hay` contain the folded needle. `folder` holds the
  // hay's folded copy when it needs one (a hay of ASCII only is compared in place).
  bool foundIn(const char* hay, size_t n, TextFolder& folder) const;
  const std::string& folded() const { return text; }

 private:
  std::string text;
  bool asciiNeedle = true;
};

#endif  // ZOLT_UTIL_TEXT_FOLD_H_
