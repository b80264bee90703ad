// A to-do record in the writer's own form is written back byte for byte: every field kind,
// the extremes of the numbers and both kinds of description.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "calendar/calendar_lists.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"
#include "store/text_util.h"

namespace {

// The description field of `n` bytes in the binary form (ciphertext as held).
std::string binaryField(int n) {
  std::string bytes;
  for (int i = 0; i < n; ++i) bytes += static_cast<char>(i * 37 + 11);
  std::ostringstream os;
  os << "d" << n << "\n";
  WriteBinASCII(os, reinterpret_cast<const unsigned char*>(bytes.data()), n);
  os << "\n";
  return os.str();
}

TEST(RecordTextTest, ToDoRecordsAreWrittenBackByteForByte) {
  static const struct {
    const char* input;
    std::string record;  // behind the "t" line
  } kCases[] = {
      {"summary only", "sjust a name\nI7\n>\n"},
      {"empty summary", "s\nI2147483647\n>\n"},
      {"every date and recurrence line",
       "sWeekly\nI3\np100\nS1\nm153201664\nn153256448\n13\n22\n3153141248\n4164610048\n>\n"},
      {"negative and extreme working times",
       "sTimes\nI9\np1\nr-2147483648,2147483647\nr-100,-50\nr0,0\n>\n"},
      {"running with an open interval", "sJob\nI10\nR\nr1234567890,1234567890\n>\n"},
      {"completed before 1970", "sOld\nI11\np6\nn171055224\nf-86400\n>\n"},
      {"description over lines", "sNotes\nI12\nd18\nline one\nline two\n\n>\n"},
      {"description flags in hex", "sFlagged\nF10000\nI13\nd5\nfive!\n>\n"},
      {"stored encrypted", "sSecret\nF20006\nI14\n" + binaryField(48) + ">\n"},
  };
  for (const auto& c : kCases) {
    ToDoListToDo t(0, "/0/");
    T_Calendar cal;
    unsigned jobs = 0, idmax = 0;
    std::istringstream is(c.record);
    ASSERT_EQ(0, t.readContent(is, jobs, idmax, cal)) << c.input;
    std::ostringstream os;
    EXPECT_EQ(0, t.writeContent(os, false, nullptr)) << c.input;
    EXPECT_EQ("t\n" + c.record, os.str()) << c.input;
  }
}

}  // namespace
