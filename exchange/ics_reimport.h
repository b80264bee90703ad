// Importing an iCalendar file again: an item whose UID the document already holds (its
// own export's "zolt-<synchronisation identifier>@<data file>", or a UID kept from an
// earlier import) is updated in place instead of being added a second time.
// GUI thread only (the document is).
#ifndef ZOLT_EXCHANGE_ICS_REIMPORT_H_
#define ZOLT_EXCHANGE_ICS_REIMPORT_H_

class ToDoListGroup;
class Zolt;
struct T_IcsReport;

// Adds an import's new group `built` below the current group, except for the to-dos the
// document already holds by their UID (ToDoListToDo::getImportUid of the built ones): those
// items take the imported fields (ToDoListToDo::takeImportedFields, and the description
// unless theirs is stored encrypted) and are journalled as changed; several built to-dos of
// one UID (a series split into runs) pair with that UID's items in order. The rest goes in
// as one new group, left out when nothing is new. One undo step in all. report.updated
// counts the items updated. Results as Zolt::insertGroup.
// REQUIRES: `built` is no part of the document's tree; it is emptied of what was updated.
int insertOrUpdate(Zolt& doc, ToDoListGroup& built, T_IcsReport& report);

#endif  // ZOLT_EXCHANGE_ICS_REIMPORT_H_
