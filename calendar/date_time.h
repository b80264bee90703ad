// The packed date-time and the calendar arithmetic on it.
// A packed value holds date and time of day in one unsigned 32-bit number:
//   bit 31 no-date flag, bits 30-24 year - 2000, 23-20 month, 19-15 day,
//   bit 14 no-time flag, bits 13-9 hour, 8-3 minute, 2-0 zero.
// Values compare as unsigned numbers: by date, then time; no time sorts after every time
// of the same day, no date after every date. Weekdays are 0 (Monday) to 6 (Sunday).
// Pure functions except getTodayDate, which reads the program's clock (util/clock.h).
#ifndef ZOLT_CALENDAR_DATE_TIME_H_
#define ZOLT_CALENDAR_DATE_TIME_H_

constexpr unsigned kEmptyDateTime = 0x80004000u;  // neither date nor time
constexpr unsigned kNoDate = 0x80000000u;         // date half of a value without a date
constexpr unsigned kNoTime = 0x4000u;             // time half of a value without a time
constexpr unsigned kDateMask = 0xFFFF8000u;       // bits 15-31
constexpr unsigned kTimeMask = 0x7FFFu;           // bits 0-14
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2127;

// Field access on packed values.
inline bool hasDate(unsigned v) { return (v & 0x80000000u) == 0; }
inline bool hasTime(unsigned v) { return (v & 0x4000u) == 0; }
inline int packedYear(unsigned v) { return static_cast<int>((v >> 24) & 0x7F) + 2000; }
inline int packedMonth(unsigned v) { return static_cast<int>((v >> 20) & 0xF); }
inline int packedDay(unsigned v) { return static_cast<int>((v >> 15) & 0x1F); }
inline int packedHour(unsigned v) { return static_cast<int>((v >> 9) & 0x1F); }
inline int packedMinute(unsigned v) { return static_cast<int>((v >> 3) & 0x3F); }
// Key that compares two values by date alone.
inline unsigned dateKey(unsigned v) { return (v | 0x4000u) & 0xFFFFC000u; }
// The date of `v` without a time (time half 0x4000).
inline unsigned dayOf(unsigned v) { return (v & kDateMask) | kNoTime; }

// Replaces the date half (clears the no-date flag); fields are masked to their widths.
unsigned packDate(unsigned v, int year, int month, int day);
// Replaces the time half with hour and minute (clears the no-time flag).
unsigned packTime(unsigned v, int hour, int minute);
inline unsigned clearDatePart(unsigned v) { return (v & kTimeMask) | kNoDate; }
inline unsigned clearTimePart(unsigned v) { return (v & kDateMask) | kNoTime; }

// True when year, month and day name a real day between 2000-01-01 and 2127-12-31.
bool isValidDate(int year, int month, int day);
// True when the date half, if present, is a real day and the time half, if present, is a
// real time of day. Values from files are checked with this before any arithmetic.
bool isValidDateTime(unsigned v);

bool isLeapYear(int year);
// Days since the origin: 1 January 1999 is day 1. REQUIRES: year >= 1999.
int getNumberOfDay(int day, int month, int year);
// Inverse of getNumberOfDay. REQUIRES: n >= 1.
void getDayByNumber(int n, int& day, int& month, int& year);
// Day number of a's date minus that of b's; times are ignored. REQUIRES: both carry a date.
int getDateDiff(unsigned a, unsigned b);
// Moves the date by `days` (may be negative); the time half is kept, bit 31 cleared.
// REQUIRES: `value` carries a date.
void moveDate(unsigned& value, int days);
// Moves date and time by `minutes`; the result always carries a time.
// REQUIRES: `value` carries a date.
void moveDateTime(unsigned& value, int minutes);
// Today's local date combined with the time half of `value`.
unsigned getTodayDate(unsigned value);
// Weekday 0 (Monday) to 6 (Sunday).
int Wochentag(int day, int month, int year);
// ISO 8601 week number, 1 to 53.
int Kalenderwoche(int day, int month, int year);
// Days in the month.
int MaxTag(int month, int year);
int daysOfYear(int year);
// Day of the year, 1 to 366.
int Tag_des_Jahres(int day, int month, int year);
// Weekday of 1 January of `year`.
int CurrentDoomDay(int year);
// Easter Sunday of the Gregorian calendar.
void ostern(int& day, int& month, int year);
// Day of month of the n-th `weekday` of the month; n = 5 is the last one.
int nthWhichDayOfMonth(int n, int weekday, int month, int year);

#endif  // ZOLT_CALENDAR_DATE_TIME_H_
