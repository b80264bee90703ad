// What the editor says when the date rules will not let a recurrence stand as chosen: the
// date a recurrence chosen on one date still lacks, and why a recurrence was changed or
// removed after an edit, with what to set. Texts only; the editor shows them.
// Any thread.
#ifndef ZOLT_GUI_RECURRENCE_NOTICE_H_
#define ZOLT_GUI_RECURRENCE_NOTICE_H_

#include <string>

#include "calendar/recurrence.h"

// The recurrence's name as the editor's button shows it after "Recurrence: ".
const char* recurrenceName(int type);

// "dd.mm.yyyy" of a value that carries a date.
std::string dayText(unsigned value);

// The question offered when `wanted` (a recurrence) is chosen for an item that has its main
// date `mainDate` (a to-do's end, an appointment's begin) and not the other: a recurrence
// needs both. Empty when nothing is missing.
std::string missingDateQuestion(const T_recData& wanted, bool toDo, unsigned begin, unsigned end);
// The button that sets the missing date in answer to that question.
const char* missingDateButton(bool toDo);

// Why the recurrence `wanted` became `now` on an item of that kind whose dates are now
// `begin` and `end`, and what to set for it to stand; empty when it stands as wanted.
std::string recurrenceChangeNotice(const T_recData& wanted, const T_recData& now, bool toDo,
                                   unsigned begin, unsigned end);

#endif  // ZOLT_GUI_RECURRENCE_NOTICE_H_
