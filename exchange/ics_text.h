// Checks and repairs of iCalendar text that libical takes as it comes: NUL bytes, invalid
// UTF-8, control characters, the trailing blanks it trims from a SUMMARY, and the escaping
// of CATEGORIES, which it writes unescaped. Pure functions on strings.
#ifndef ZOLT_EXCHANGE_ICS_TEXT_H_
#define ZOLT_EXCHANGE_ICS_TEXT_H_

#include <string>
#include <vector>

// `text` with its folded lines joined: every line end followed by a blank (space or tab)
// goes with that blank. A fold may fall inside a UTF-8 character, so the encoding can only
// be judged on what this returns.
std::string unfolded(const std::string& text);

// The line (1 for the first) of `text` where a BEGIN first opens a component nested
// deeper than `limit`, or 0 when none does. Folded lines count as joined, as a parser
// reads them. REQUIRES: `text` holds no NUL byte.
int lineBeyondDepth(const std::string& text, int limit);

// The line (1 for the first) of the first NUL byte in `text`, or 0 when there is none.
int lineOfFirstNul(const std::string& text);

// Replaces every byte sequence of `text` that is not well-formed UTF-8 (overlong forms,
// surrogates and values past U+10FFFF included) by U+FFFD. The number of replacements.
int repairUtf8(std::string& text);

// Drops the control characters that iCalendar text may not hold: all below 0x20 but tab
// and line feed, and DEL. A carriage return before a line feed goes as well. The number
// dropped.
int dropControlChars(std::string& text);

// The blanks (spaces and tabs) that end the SUMMARY value of each VEVENT and VTODO that
// stands directly in a VCALENDAR, in the order of the file; "" for a component without
// them or without a SUMMARY. libical trims them; this reads them from the folded text.
std::vector<std::string> summaryTrailingBlanks(const std::string& text);

// One CATEGORIES line, without its line end: the names escaped ("\\", ";", ",") and joined
// by ",", folded at 75 octets without splitting a UTF-8 character.
std::string categoriesLine(const std::vector<std::string>& names);

#endif  // ZOLT_EXCHANGE_ICS_TEXT_H_
