// The subtask trees of a file, found by UID.
#include "exchange/ics_related.h"

#include <set>
#include <string>

namespace {

std::string uidOf(icalcomponent* c) {
  const char* uid = icalcomponent_get_uid(c);
  return uid != nullptr ? uid : "";
}

bool isParentRelation(icalproperty* p) {
  icalparameter* type = icalproperty_get_first_parameter(p, ICAL_RELTYPE_PARAMETER);
  return type == nullptr || icalparameter_get_reltype(type) == ICAL_RELTYPE_PARENT;
}

// The master of each UID: a moved occurrence (RECURRENCE-ID) stands for it only when the
// file holds no master.
std::map<std::string, icalcomponent*> itemsByUid(const std::vector<icalcomponent*>& items) {
  std::map<std::string, icalcomponent*> byUid;
  for (icalcomponent* c : items) {
    std::string uid = uidOf(c);
    if (uid.empty()) continue;
    bool moved = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
    auto found = byUid.find(uid);
    if (found == byUid.end() || !moved) byUid[uid] = c;
  }
  return byUid;
}

}  // namespace

T_IcsRelations relationsOf(const std::vector<icalcomponent*>& items) {
  T_IcsRelations out;
  std::map<std::string, icalcomponent*> byUid = itemsByUid(items);
  std::map<icalcomponent*, icalcomponent*> parent;
  for (icalcomponent* c : items) {
    bool named = false, found = false, other = false;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RELATEDTO_PROPERTY);
         p != nullptr; p = icalcomponent_get_next_property(c, ICAL_RELATEDTO_PROPERTY)) {
      if (!isParentRelation(p)) {
        other = true;
        continue;
      }
      named = true;
      const char* uid = icalproperty_get_relatedto(p);
      auto it = byUid.find(uid != nullptr ? uid : "");
      if (!found && it != byUid.end() && it->second != c) {
        parent[c] = it->second;
        found = true;
      }
    }
    if (named && !found) ++out.parentNotInFile;
    if (other) ++out.otherRelation;
  }
  std::set<icalcomponent*> hasSubtasks;
  for (const auto& p : parent) hasSubtasks.insert(p.second);
  for (icalcomponent* c : items) {
    std::vector<icalcomponent*> up;  // the parents, nearest first
    std::set<icalcomponent*> seen{c};
    bool loop = false;
    for (auto it = parent.find(c); it != parent.end(); it = parent.find(it->second)) {
      if (!seen.insert(it->second).second) {
        loop = true;
        break;
      }
      up.push_back(it->second);
    }
    if (loop) {
      ++out.parentNotInFile;
      up.clear();
    }
    std::vector<icalcomponent*> chain(up.rbegin(), up.rend());
    if (hasSubtasks.count(c) != 0 && !loop) chain.push_back(c);
    if (chain.size() > kMaxSubtaskDepth) chain.resize(kMaxSubtaskDepth);
    if (!chain.empty()) out.chains[c] = chain;
  }
  return out;
}
