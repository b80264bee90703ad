// Cuts of text for display that never split a character: a cut falls between two
// user-perceived characters (Unicode extended grapheme clusters), so neither a multi-byte
// UTF-8 sequence nor a letter and its combining accents, nor an emoji sequence, is torn
// apart. A byte that is not part of valid UTF-8 counts as a character of its own. Any thread.
#ifndef ZOLT_UTIL_TEXT_CUT_H_
#define ZOLT_UTIL_TEXT_CUT_H_

#include <cstddef>
#include <string>

// The number of bytes of the first `maxChars` characters of the `n` bytes at `s`;
// `n` when the text has no more than `maxChars` characters.
size_t characterPrefixBytes(const char* s, size_t n, size_t maxChars);

// The number of characters of the `n` bytes at `s`.
size_t characterCount(const char* s, size_t n);

// `text` as a short line of `maxChars` characters: a text of at least `maxChars` characters
// is cut after the first `maxChars` of them and "..." appended; a shorter one stays whole.
std::string cutWithEllipsis(const std::string& text, size_t maxChars);

#endif  // ZOLT_UTIL_TEXT_CUT_H_
