#include "app/command_line.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

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

// A message of the parse on `to`; none when `to` is null.
static void note(FILE* to, const char* format, ...) {
  if (to == nullptr) return;
  va_list args;
  va_start(args, format);
  vfprintf(to, format, args);
  va_end(args);
}

bool runsWithoutWindow(const T_CommandLine& cl) {
  return cl.quitAfterLoading || !cl.exportIcs.empty() || !cl.importIcs.empty() || cl.agenda;
}

const char* usageText() {
  return "Usage: zolt [options]\n"
         "  -f FILE            use FILE as the data file\n"
         "  -c [YYYY-MM-DD]    start in the calendar, from that day or today\n"
         "  -q                 load the data file, replay its journal and quit without a window\n"
         "  -s                 write the data file at the end even if nothing changed\n"
         "  --export-ics FILE  write every dated to-do and appointment to the iCalendar FILE\n"
         "  --import-ics FILE  add the iCalendar FILE's events and to-dos as a new group\n"
         "  --agenda [DAYS]    print the calendar for 1, 2, 3, 7 or 42 days from today (or\n"
         "                     from -c's day) and quit without a window\n"
         "  --recover          start with every journal record that can be applied and\n"
         "                     keep the others in FILE.unapplied beside the data file\n"
         "  --help             show this list\n";
}

// The value of the option argv[i]: the next argument whole, even one that begins with '-'
// (a file may be called so), which `i` then moves past. 0, or -1 after a message on
// standard error when there is no next argument or it is empty.
static int takeFileName(int argc, const char* const* argv, int& i, std::string& value,
                        FILE* notes) {
  if (i + 1 >= argc || argv[i + 1][0] == '\0') {
    note(notes, "%s needs a FILE name after it%s; zolt --help lists the options\n", argv[i],
         i + 1 < argc ? ", not an empty one" : "");
    return -1;
  }
  value = argv[++i];
  return 0;
}

// A long option, taken whole; `i` moves past the arguments it consumes. 0, or -1 after a
// message on standard error.
static int parseLongOption(int argc, const char* const* argv, int& i, T_CommandLine& cl,
                           FILE* notes) {
  std::string name = argv[i];
  if (name == "--help") {
    cl.help = true;
    return 0;
  }
  if (name == "--recover") {
    cl.recover = true;
    return 0;
  }
  if (name == "--export-ics" || name == "--import-ics") {
    return takeFileName(argc, argv, i, name == "--export-ics" ? cl.exportIcs : cl.importIcs, notes);
  }
  if (name == "--agenda") {
    cl.agenda = true;
    if (i + 1 < argc && isdigit(static_cast<unsigned char>(argv[i + 1][0]))) {
      std::string days = argv[++i];
      if (days != "1" && days != "2" && days != "3" && days != "7" && days != "42") {
        note(notes, "Invalid number of days '%s' after --agenda: expected 1, 2, 3, 7 or 42\n",
             days.c_str());
        return -1;
      }
      cl.agendaDays = std::stoi(days);
    }
    return 0;
  }
  note(notes, "Unknown option '%s'; zolt --help lists the options\n", name.c_str());
  return -1;
}

int parseCommandLine(int argc, const char* const* argv, T_CommandLine& cl, FILE* notes) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg[0] != '-') {
      note(notes, "Ignoring '%s': a data file's name goes after -f\n", arg);
      continue;
    }
    if (arg[1] == '-') {
      if (parseLongOption(argc, argv, i, cl, notes) != 0) return -1;
      continue;
    }
    switch (arg[1]) {
      case 'f':
        if (takeFileName(argc, argv, i, cl.fileName, notes) != 0) return -1;
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
            note(notes,
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

// Parses the arguments without a word; false when they do not parse or ask for --help.
static bool parsesQuietly(int argc, const char* const* argv, T_CommandLine& cl) {
  return parseCommandLine(argc, argv, cl, nullptr) == 0 && !cl.help;
}

bool asksForWindow(int argc, const char* const* argv) {
  T_CommandLine cl;
  return parsesQuietly(argc, argv, cl) && !runsWithoutWindow(cl);
}

bool asksForIcalendar(int argc, const char* const* argv) {
  T_CommandLine cl;
  return parsesQuietly(argc, argv, cl) && (!cl.importIcs.empty() || !cl.exportIcs.empty());
}
