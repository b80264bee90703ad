#include "app/command_line.h"

#include <cctype>
#include <cstdio>
#include <cstring>

// Reads YYYY-MM-DD strictly: a damaged date must not start the calendar on an impossible day.
static bool parseDate(const char* text, int& year, int& month, int& day) {
  if (strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  auto number = [text](int from, int n) {
    int v = 0;
    for (int i = from; i < from + n; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  year = number(0, 4);
  month = number(5, 2);
  day = number(8, 2);
  return isValidDate(year, month, day);
}

int parseCommandLine(int argc, const char* const* argv, T_CommandLine& cl) {
  bool fileNamePending = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') {
      if (fileNamePending) cl.fileName = arg;
      fileNamePending = false;
      continue;
    }
    switch (arg[1]) {
      case 'f':
        fileNamePending = true;
        break;
      case 'q':
        cl.quitAfterLoading = true;
        break;
      case 's':
        cl.saveAtExit = true;
        break;
      case 'c': {
        cl.calendarAtStart = true;
        cl.calStartDate = getTodayDate(kEmptyDateTime);
        if (i + 1 < argc && argv[i + 1][0] != '-') {
          int year, month, day;
          if (!parseDate(argv[++i], year, month, day)) {
            fprintf(stderr,
                    "Invalid date '%s' after -c: expected YYYY-MM-DD between 2000-01-01 and "
                    "2127-12-31\n",
                    argv[i]);
            return -1;
          }
          cl.calStartDate = packDate(kEmptyDateTime, year, month, day);
        }
        break;
      }
      default:
        break;
    }
  }
  return 0;
}
