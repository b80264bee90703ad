// Observance rules that real time zones use: a change once a year, on a day named by
// month, weekday and perhaps a week's range of days ("the Sunday from the 8th to the 14th").
#include "exchange/ics_timezones.h"

namespace {

size_t listSize(const short* list, size_t size) {
  size_t n = 0;
  while (n < size && list[n] != ICAL_RECURRENCE_ARRAY_MAX) ++n;
  return n;
}

bool isZoneLikeRule(const icalrecurrencetype& r) {
  return r.freq == ICAL_YEARLY_RECURRENCE && r.interval <= 1 &&
         listSize(r.by_month, ICAL_BY_MONTH_SIZE) <= 1 &&
         listSize(r.by_day, ICAL_BY_DAY_SIZE) <= 7 &&
         listSize(r.by_month_day, ICAL_BY_MONTHDAY_SIZE) <= 7 &&
         listSize(r.by_second, ICAL_BY_SECOND_SIZE) == 0 &&
         listSize(r.by_minute, ICAL_BY_MINUTE_SIZE) == 0 &&
         listSize(r.by_hour, ICAL_BY_HOUR_SIZE) == 0 &&
         listSize(r.by_year_day, ICAL_BY_YEARDAY_SIZE) == 0 &&
         listSize(r.by_week_no, ICAL_BY_WEEKNO_SIZE) == 0 &&
         listSize(r.by_set_pos, ICAL_BY_SETPOS_SIZE) == 0;
}

// Removes the observance rules of `zone` that are not zone-like; how many.
int tameObservances(icalcomponent* zone) {
  int removed = 0;
  for (icalcomponent* o = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); o != nullptr;
       o = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
    std::vector<icalproperty*> bad;
    for (icalproperty* p = icalcomponent_get_first_property(o, ICAL_RRULE_PROPERTY); p != nullptr;
         p = icalcomponent_get_next_property(o, ICAL_RRULE_PROPERTY)) {
      if (!isZoneLikeRule(icalproperty_get_rrule(p))) bad.push_back(p);
    }
    for (icalproperty* p : bad) {
      icalcomponent_remove_property(o, p);
      icalproperty_free(p);
      ++removed;
    }
  }
  return removed;
}

void tameCalendar(icalcomponent* vcal, std::vector<std::string>& notes) {
  for (icalcomponent* z = icalcomponent_get_first_component(vcal, ICAL_VTIMEZONE_COMPONENT);
       z != nullptr; z = icalcomponent_get_next_component(vcal, ICAL_VTIMEZONE_COMPONENT)) {
    if (tameObservances(z) == 0) continue;
    icalproperty* id = icalcomponent_get_first_property(z, ICAL_TZID_PROPERTY);
    const char* name = id != nullptr ? icalproperty_get_tzid(id) : nullptr;
    notes.push_back(std::string("Time zone ") + (name != nullptr ? name : "(without a name)") +
                    ": a change of its clocks repeats in a way no time zone does (more often "
                    "than once a year); that repetition was ignored, so times in this zone "
                    "may be off.");
  }
}

}  // namespace

void tameTimezones(icalcomponent* top, std::vector<std::string>& notes) {
  if (icalcomponent_isa(top) == ICAL_VCALENDAR_COMPONENT) {
    tameCalendar(top, notes);
    return;
  }
  for (icalcomponent* c = icalcomponent_get_first_component(top, ICAL_VCALENDAR_COMPONENT);
       c != nullptr; c = icalcomponent_get_next_component(top, ICAL_VCALENDAR_COMPONENT)) {
    tameCalendar(c, notes);
  }
}
