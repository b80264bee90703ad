// Time zones of an iCalendar file made safe before libical converts any time with them.
// libical expands the rule of each observance (STANDARD, DAYLIGHT) up to the year it is
// asked about; an observance that repeats every hour or second would keep it busy for
// minutes. GUI thread only.
#ifndef ZOLT_EXCHANGE_ICS_TIMEZONES_H_
#define ZOLT_EXCHANGE_ICS_TIMEZONES_H_

#include <libical/ical.h>

#include <string>
#include <vector>

// Removes from every VTIMEZONE below `top` each observance RRULE that no real time zone
// has: anything but a yearly rule with at most one month and no parts below the day. The
// observance then stands for its DTSTART alone. One note per zone so changed.
void tameTimezones(icalcomponent* top, std::vector<std::string>& notes);

#endif  // ZOLT_EXCHANGE_ICS_TIMEZONES_H_
