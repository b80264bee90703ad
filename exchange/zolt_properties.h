// What export and import of iCalendar share: Zolt's own properties (what iCalendar has no
// word for, read back by Zolt), the group path, the priority scales and the labels the
// reports name items by.
#ifndef ZOLT_EXCHANGE_ZOLT_PROPERTIES_H_
#define ZOLT_EXCHANGE_ZOLT_PROPERTIES_H_

#include <string>
#include <vector>

constexpr const char* kZoltProdId = "-//Zolt//Zolt organizer//EN";
constexpr const char* kXRecurrence = "X-ZOLT-RECURRENCE";             // value DAILY-RESETABLE
constexpr const char* kXRecurrenceStart = "X-ZOLT-RECURRENCE-START";  // the first date
constexpr const char* kXNoTime = "X-ZOLT-NOTIME";  // a date-time that stands for a date
constexpr const char* kXGroup = "X-ZOLT-GROUP";    // the group path, names escaped
// On the VCALENDAR: PRIORITY follows RFC 5545's scale. Zolt's exports before it wrote
// Zolt's own 1 to 6 there.
constexpr const char* kXPriorityScale = "X-ZOLT-PRIORITY-SCALE";
constexpr const char* kRfc5545Scale = "RFC5545";
constexpr const char* kDailyResetable = "DAILY-RESETABLE";

constexpr const char* kWeekdayCodes[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
constexpr const char* kWeekdayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"};

// Zolt's priority 1 (highest) to 6 on RFC 5545's 1 (highest) to 9, where 1-4 is high,
// 5 medium and 6-9 low: 1, 3, 5, 6, 7, 9. Zolt's default 3 is medium.
int rfcPriority(unsigned zoltPriority);
// The inverse, and the nearest for the other values: 1-2 give 1, 3-4 give 2, 5 gives 3,
// 6 gives 4, 7-8 give 5, 9 gives 6; 0 (undefined) and anything else gives the default 3.
unsigned zoltPriority(int rfcPriority);

// A group path for kXGroup: the names joined by "/", each with "\\" and "/" escaped by a
// backslash, so any name comes back whole.
std::string escapedPath(const std::vector<std::string>& names);
std::vector<std::string> unescapedPath(const std::string& path);

// "\"summary\"", or "\"(no summary)\"".
std::string itemLabel(const std::string& summary);
// "YYYY-MM-DD".
std::string dateText(int year, int month, int day);
// Moves the packed date `v` by `days` when the result stays within 2000-2127; false (v
// unchanged) otherwise.
bool moveWithinRange(unsigned& v, int days);

// The local end of an item that lasts `seconds` from `begin`, given the local `end` the
// clock shows then. Where the clock is set back, the end of an hour in the repeated hour
// shows the same time as its start (02:30 summer time to 02:30 winter time): Zolt holds
// wall clock times only, so such an end is moved on the wall clock by the length instead,
// and the item keeps its length. Every other `end` is returned as it is.
unsigned keptLength(unsigned begin, unsigned end, long long seconds);

#endif  // ZOLT_EXCHANGE_ZOLT_PROPERTIES_H_
