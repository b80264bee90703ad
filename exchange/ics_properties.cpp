// The properties an import carries into the description or names in the report.
#include "exchange/ics_properties.h"

#include <strings.h>

#include <cstring>

namespace {

// The kinds countUnheld counts, and how the report says each.
const struct {
  const char* kind;
  const char* note;  // follows "N items "
} kKinds[] = {
    {"CLASS",
     "are marked private or confidential (CLASS): Zolt has no private items, so they show "
     "like any other; encrypt a description to keep it private"},
    {"PERCENT-COMPLETE",
     "are partly done (PERCENT-COMPLETE): a Zolt to-do is done or not, so they are open"},
    {"IN-PROCESS",
     "are in progress (STATUS:IN-PROCESS): Zolt has no such state, so they are open to-dos"},
    {"TENTATIVE",
     "are tentative (STATUS:TENTATIVE or a tentative busy status): Zolt has no such state, "
     "so they are plain appointments"},
    {"OOF",
     "are shown as out of office (X-MICROSOFT-CDO-BUSYSTATUS:OOF): Zolt has busy and free "
     "only, so they are busy"},
};

std::string textOf(icalproperty* p) {
  const char* v = icalproperty_get_value_as_string(p);
  return v != nullptr ? v : "";
}

// "Name <address>", "address" or "Name" for an ORGANIZER or ATTENDEE.
std::string person(icalproperty* p) {
  std::string address = textOf(p);
  if (strncasecmp(address.c_str(), "mailto:", 7) == 0) address.erase(0, 7);
  icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER);
  const char* name = cn != nullptr ? icalparameter_get_cn(cn) : nullptr;
  if (name == nullptr || *name == '\0') return address;
  return address.empty() ? std::string(name) : std::string(name) + " <" + address + ">";
}

void addLine(std::string& lines, const char* label, const std::string& value) {
  if (value.empty()) return;
  lines += (lines.empty() ? "" : "\n") + std::string(label) + value;
}

bool hasStatus(icalcomponent* c, icalproperty_status status) {
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
  return p != nullptr && icalproperty_get_status(p) == status;
}

}  // namespace

std::string descriptionLines(icalcomponent* c) {
  std::string lines;
  addLine(lines, "Location: ", textProperty(c, ICAL_LOCATION_PROPERTY));
  icalproperty* url = icalcomponent_get_first_property(c, ICAL_URL_PROPERTY);
  if (url != nullptr) addLine(lines, "URL: ", textOf(url));
  icalproperty* organizer = icalcomponent_get_first_property(c, ICAL_ORGANIZER_PROPERTY);
  if (organizer != nullptr) addLine(lines, "Organizer: ", person(organizer));
  std::string attendees;
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ATTENDEE_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_ATTENDEE_PROPERTY)) {
    std::string who = person(p);
    if (!who.empty()) attendees += (attendees.empty() ? "" : ", ") + who;
  }
  addLine(lines, "Attendees: ", attendees);
  return lines;
}

void countUnheld(icalcomponent* c, T_IcsUnheld& unheld) {
  icalproperty* cls = icalcomponent_get_first_property(c, ICAL_CLASS_PROPERTY);
  if (cls != nullptr && icalproperty_get_class(cls) != ICAL_CLASS_PUBLIC) ++unheld["CLASS"];
  icalproperty* percent = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY);
  bool done = hasStatus(c, ICAL_STATUS_COMPLETED) ||
              icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY) != nullptr;
  if (percent != nullptr && !done && icalproperty_get_percentcomplete(percent) > 0) {
    ++unheld["PERCENT-COMPLETE"];
  }
  if (hasStatus(c, ICAL_STATUS_INPROCESS)) ++unheld["IN-PROCESS"];
  const char* busy = xPropertyValue(c, "X-MICROSOFT-CDO-BUSYSTATUS");
  if (hasStatus(c, ICAL_STATUS_TENTATIVE) ||
      (busy != nullptr && strcasecmp(busy, "TENTATIVE") == 0)) {
    ++unheld["TENTATIVE"];
  }
  if (busy != nullptr && strcasecmp(busy, "OOF") == 0) ++unheld["OOF"];
}

std::vector<std::string> unheldNotes(const T_IcsUnheld& unheld) {
  std::vector<std::string> notes;
  for (const auto& k : kKinds) {
    auto found = unheld.find(k.kind);
    if (found == unheld.end()) continue;
    std::string said = k.note;
    if (found->second == 1) said.replace(0, 3, "is");  // "are ..."
    notes.push_back(std::to_string(found->second) + (found->second == 1 ? " item " : " items ") +
                    said + ".");
  }
  return notes;
}

icaltimezone* floatingZoneOf(icalcomponent* vcal, std::string& unknown) {
  const char* name = xPropertyValue(vcal, "X-WR-TIMEZONE");
  if (name == nullptr || *name == '\0') return nullptr;
  icaltimezone* zone = icalcomponent_get_timezone(vcal, name);
  if (zone == nullptr) zone = icaltimezone_get_builtin_timezone(name);
  if (zone == nullptr) unknown = name;
  return zone;
}

const char* xPropertyValue(icalcomponent* c, const char* name) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
    const char* n = icalproperty_get_x_name(p);
    if (n != nullptr && strcasecmp(n, name) == 0) return icalproperty_get_x(p);
  }
  return nullptr;
}

std::string textProperty(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (p == nullptr) return std::string();
  icalvalue* v = icalproperty_get_value(p);
  const char* text = v != nullptr ? icalvalue_get_text(v) : nullptr;
  return text != nullptr ? text : std::string();
}
