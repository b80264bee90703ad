// Exports never replace what is not a regular file: a named pipe or a device under the
// export's name (as root, /dev/null or /dev/full) stays what it is, and the user is told.
// Every export path: the Zolt-file exports of the document, the iCalendar export, and the
// real program's --export-ics.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "test_util.h"

namespace {

class ExportTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(data, readFile(testData("example.dat")));
    doc.createRoot();
    ASSERT_EQ(0, doc.readData(data.c_str()));
    ASSERT_EQ(0, doc.newToDo(0, 0));
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, symlink(fifo.c_str(), link.c_str()));
  }
  static bool IsFifo(const std::string& name) {
    struct stat st;
    return lstat(name.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  }
  static bool IsLink(const std::string& name) {
    struct stat st;
    return lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  }

  TempDir dir;
  std::string data = dir.file("data.dat");
  std::string fifo = dir.file("pipe");
  std::string link = dir.file("link-to-pipe");
  Zolt doc;
};

TEST_F(ExportTargetTest, EveryExportRefusesAPipeAndLeavesIt) {
  static const struct {
    const char* label;
    std::function<int(Zolt&, const char*)> run;
  } kCases[] = {
      {"to-do", [](Zolt& z, const char* f) { return z.exportToDoToFile(f); }},
      {"content", [](Zolt& z, const char* f) { return z.exportContentToFile(f); }},
      {"group", [](Zolt& z, const char* f) { return z.exportGroupToFile(f); }},
      {"iCalendar",
       [](Zolt& z, const char* f) {
         T_IcsReport report;
         int result = exportICalendar(z, f, T_IcsExportOptions(), report);
         if (result != 0) {
           EXPECT_NE(std::string::npos, report.error.find("is a named pipe (FIFO)"))
               << report.error;
         }
         return result;
       }},
  };
  for (const auto& c : kCases) {
    for (const std::string& target : {fifo, link}) {
      EXPECT_EQ(-1, c.run(doc, target.c_str())) << c.label << " onto " << target;
      EXPECT_TRUE(IsFifo(fifo)) << c.label << " onto " << target << ": the pipe is still there";
    }
    EXPECT_TRUE(IsLink(link)) << c.label;
    std::string plain = dir.file(std::string("plain-") + c.label);
    EXPECT_EQ(0, c.run(doc, plain.c_str())) << c.label << ": a regular file is written";
    EXPECT_EQ(0, c.run(doc, plain.c_str())) << c.label << ": and replaced";
  }
}

TEST_F(ExportTargetTest, TheProgramsICalendarExportRefusesAPipe) {
  for (const std::string& target : {fifo, link}) {
    RunResult r = runZolt(dir.path(), "-f data.dat --export-ics '" + target + "'");
    EXPECT_NE(0, r.status) << target;
    EXPECT_NE(std::string::npos, r.err.find(target + " is a named pipe (FIFO), not a regular file"))
        << r.err;
    EXPECT_TRUE(IsFifo(fifo)) << target;
  }
  EXPECT_TRUE(IsLink(link));
}

TEST_F(ExportTargetTest, AMasterFileThatIsNoRegularFileIsRefused) {
  RunResult r = runZolt(dir.path(), "-q -s -f '" + link + "'");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("is a named pipe (FIFO), not a regular file")) << r.err;
  EXPECT_TRUE(IsFifo(fifo));
  EXPECT_TRUE(IsLink(link));
}

}  // namespace
