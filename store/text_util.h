// Small text and number helpers shared by the file readers and writers.
// Numbers are read like atoi, wrapping modulo 2^32, so unsigned values round-trip.
// Any thread.
#ifndef ZOLT_STORE_TEXT_UTIL_H_
#define ZOLT_STORE_TEXT_UTIL_H_

#include <istream>
#include <ostream>
#include <string>

// Reads one line of any length (the line feed is consumed and dropped), then removes
// leading and trailing blanks (' ' only). Returns "" at the end of the stream.
std::string readfLine(std::istream& is);
// Removes leading and trailing blanks (' ' only).
std::string trimBlanks(const std::string& line);
// Reads one line of any length without trimming. Returns false when no line could be read
// (end of stream or a failed stream), so a loop over it always ends.
bool readRawLine(std::istream& is, std::string& line);
// True when `s` begins with `prefix`.
inline bool startsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}
// Removes leading and trailing white space (space, \t, \n, \v, \f, \r).
std::string trim(std::string s);
// Copy with a-z turned to A-Z; other bytes unchanged.
std::string strU(std::string s);
// Decimal text of value, left-filled with `fill` up to `width` characters; never cut.
// A negative value puts its sign in front of the fill when signInWidth, after it otherwise.
std::string itoStr(long value, char fill, unsigned char width, bool signInWidth);

// atoi-like: leading white space, optional sign, digits; stops at the first other
// character; 0 when there is no number. Wraps modulo 2^32 instead of overflowing.
unsigned parseNumber(const char* text);
inline unsigned parseNumber(const std::string& text) { return parseNumber(text.c_str()); }
inline int parseInt(const std::string& text) { return static_cast<int>(parseNumber(text)); }
// Strict reading of a count or an identifier, where a wrapped value would name another
// valid one: decimal digits only (no sign, no blanks) that fit in 32 bits. False, with
// `value` untouched, for anything else.
[[nodiscard]] bool parseFittingNumber(const std::string& text, unsigned& value);
// Leading hexadecimal digits (optional 0x), wrapping modulo 2^32; 0 when none.
unsigned parseHex(const std::string& text);

// Writes `len` bytes as text: four characters '0'..'o' per three bytes (zero-padded at
// the end), then the terminator "!!!!". No line feeds.
void WriteBinASCII(std::ostream& os, const unsigned char* data, int len);
// Decodes what WriteBinASCII wrote, up to and including the terminator. outLen is -1 when
// the stream failed, -2 when the terminator group was damaged, otherwise 3 times the number
// of groups read, the terminator group included. `sizeHint` (0: none) sizes the first
// buffer. The result is allocated with malloc; the caller frees it, also on failure.
unsigned char* ReadBinASCII(std::istream& is, int& outLen, unsigned sizeHint);

#endif  // ZOLT_STORE_TEXT_UTIL_H_
