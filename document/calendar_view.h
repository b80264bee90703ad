// Pieces of the calendar view's rows that stand on their own: the text of a day's
// heading row and the real date behind a row's day. The build itself is
// Zolt::getContent (document/calendar_view.cpp). Any thread.
#ifndef ZOLT_DOCUMENT_CALENDAR_VIEW_H_
#define ZOLT_DOCUMENT_CALENDAR_VIEW_H_

#include <string>

// The day of the overdue block's rows: today's packed value (time half 0) minus one, so
// the block sorts before everything of today. Its day-of-month is one less than today's
// (0 on the first of a month) and its time half is all ones.
inline unsigned overdueRowDay(unsigned today) { return today - 1; }

// The date a calendar row's day stands for, without a time: the overdue block's day gives
// yesterday's real date (the day before the day it was built on), any other day its own
// date. REQUIRES: `day` carries a date.
unsigned calendarRowDate(unsigned day);

// The heading row's text for `day`: "@r", the weekday's name, a blank, DD.MM.YYYY, two
// blanks and the ISO week number; "@b" in front on Saturdays, Sundays and holidays, and
// "@i" in front of everything when `isToday`. For example "@i@b@rSaturday 07.02.2009  6".
// REQUIRES: `day` carries a real date.
std::string calendarHeadingText(unsigned day, bool holiday, bool isToday);

#endif  // ZOLT_DOCUMENT_CALENDAR_VIEW_H_
