// What an import keeps of the iCalendar properties a Zolt item has no field for: the place,
// the link and the people go into the description, a line each; the rest is counted by
// kind, so the report names each kind once with the number of items that had it.
#ifndef ZOLT_EXCHANGE_ICS_PROPERTIES_H_
#define ZOLT_EXCHANGE_ICS_PROPERTIES_H_

#include <libical/ical.h>

#include <map>
#include <string>
#include <vector>

// What Zolt holds nowhere, by kind (a name of this file's own), with the number of items.
using T_IcsUnheld = std::map<std::string, int>;

// The lines `c` adds to its description: "Location: ...", "URL: ...", "Organizer: ..."
// and "Attendees: ...", each a person as "Name <address>"; "" when it has none of them.
std::string descriptionLines(icalcomponent* c);

// Counts in `unheld` each kind of what `c` says that Zolt cannot hold: privacy (CLASS),
// part done (PERCENT-COMPLETE), in progress, tentative and out of office.
void countUnheld(icalcomponent* c, T_IcsUnheld& unheld);

// One note per kind in `unheld`: how many items said what, and what Zolt made of them.
std::vector<std::string> unheldNotes(const T_IcsUnheld& unheld);

// The zone the calendar's X-WR-TIMEZONE names, which the services that write it mean for
// the times without a zone; null when there is none. `unknown` is set to the name when it
// names no zone libical knows.
icaltimezone* floatingZoneOf(icalcomponent* vcal, std::string& unknown);

// The value of `c`'s first X- property called `name` (in any case), or null.
const char* xPropertyValue(icalcomponent* c, const char* name);

// The text of `c`'s first property of `kind`, or "" when it has none.
std::string textProperty(icalcomponent* c, icalproperty_kind kind);

#endif  // ZOLT_EXCHANGE_ICS_PROPERTIES_H_
