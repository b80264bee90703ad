// Dates as people type them into a date field: "18.12.", "18.12.2026", "2026-12-18",
// "today", "tomorrow", "+3d", "-2w", "friday". Relative forms count from today's date,
// which comes from the program's clock (util/clock.h) or is handed in.
#ifndef ZOLT_CALENDAR_TYPED_DATE_H_
#define ZOLT_CALENDAR_TYPED_DATE_H_

// Reads `text` relative to the day `todayYear`-`todayMonth`-`todayDay`. Accepted, with
// blanks around them passed over and letters in any case:
//   D.M. and D.M (this year), D.M.YYYY and D.M.YY (20YY), YYYY-MM-DD;
//   "today", "tomorrow", "yesterday";
//   +N or -N with an optional unit d (days, the default), w (weeks) or m (months; the
//   day is clamped to the target month's length);
//   a weekday's English name or its first two or three letters ("fri", "Friday"): the
//   next such day after today, so "friday" on a Friday means a week on.
// True and the date written when the text names a real day between 1 January 2000 and
// 31 December 2127 (the days a packed date holds); false and all three unchanged
// otherwise.
bool parseTypedDate(const char* text, int todayYear, int todayMonth, int todayDay, int& year,
                    int& month, int& day);

// The same, with today taken from the program's clock.
bool parseTypedDate(const char* text, int& year, int& month, int& day);

#endif  // ZOLT_CALENDAR_TYPED_DATE_H_
