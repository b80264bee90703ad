// The iCalendar import and export of the command line, over libical.
#ifndef ZOLT_APP_ICS_EXCHANGE_H_
#define ZOLT_APP_ICS_EXCHANGE_H_

#include "app/headless.h"

// The exchange through exchange/icalendar.h, for runWithoutWindow.
const IcsExchange* icalendarExchange();

#endif  // ZOLT_APP_ICS_EXCHANGE_H_
