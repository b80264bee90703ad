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

// An export never lands on a file that holds or guards the data: the data file by any
// spelling (a symbolic link, a hard link), its journal files, the lock file, the set-aside
// file and the compaction marker, whether they exist yet or not. A file that merely starts
// with the data file's name is an ordinary target.
TEST_F(ExportTargetTest, EveryExportRefusesTheDataFilesOwnFiles) {
  static const struct {
    const char* label;
    std::function<int(Zolt&, const char*)> run;
  } kExports[] = {
      {"to-do", [](Zolt& z, const char* f) { return z.exportToDoToFile(f); }},
      {"content", [](Zolt& z, const char* f) { return z.exportContentToFile(f); }},
      {"group", [](Zolt& z, const char* f) { return z.exportGroupToFile(f); }},
      {"iCalendar",
       [](Zolt& z, const char* f) {
         T_IcsReport report;
         int result = exportICalendar(z, f, T_IcsExportOptions(), report);
         if (result != 0) {
           EXPECT_NE(std::string::npos, report.error.find("is Zolt's own data file")) << f;
         }
         return result;
       }},
  };
  ASSERT_EQ(0, symlink(data.c_str(), dir.file("soft").c_str()));
  ASSERT_EQ(0, ::link(data.c_str(), dir.file("hard").c_str()));
  for (const char* existing : {"data.dat0", "data.dat.lock", "data.dat.unapplied"}) {
    writeFile(dir.file(existing), std::string("kept ") + existing);
  }
  ASSERT_EQ(0, symlink(dir.file("data.dat0").c_str(), dir.file("to-journal").c_str()));
  static const char* kOwn[] = {"data.dat",      "soft",
                               "hard",          "./data.dat",
                               "data.dat0",     "to-journal",
                               "data.dat.lock", "data.dat.unapplied",
                               "data.dat7",     "data.dat.compacted"};
  std::string before = readFile(data);
  for (const auto& e : kExports) {
    for (const char* own : kOwn) {
      std::string target = own[0] == '.' ? dir.path() + "/" + own : dir.file(own);
      bool existed = fileExists(target);
      std::string was = existed ? readFile(target) : "";
      EXPECT_EQ(-1, e.run(doc, target.c_str())) << e.label << " onto " << own;
      EXPECT_EQ(existed, fileExists(target)) << e.label << " onto " << own;
      if (existed) {
        EXPECT_EQ(was, readFile(target)) << e.label << " onto " << own;
      }
    }
    std::string near = dir.file(std::string("data.dat.") + e.label);
    EXPECT_EQ(0, e.run(doc, near.c_str())) << e.label << ": a name that only begins alike";
  }
  EXPECT_EQ(before, readFile(data));
  Zolt again;
  again.createRoot();
  EXPECT_EQ(0, again.readData(data.c_str())) << "the data file still reads";
}

// The program's --export-ics onto the data file, by its name or through a link, leaves it
// whole, says why, and the next start reads it.
TEST_F(ExportTargetTest, TheProgramsICalendarExportRefusesTheDataFile) {
  ASSERT_EQ(0, symlink(data.c_str(), dir.file("soft").c_str()));
  std::string before = readFile(data);
  for (const char* target : {"data.dat", "soft", "data.dat.lock"}) {
    RunResult r = runZolt(dir.path(), std::string("-f data.dat --export-ics ") + target);
    EXPECT_NE(0, r.status) << target;
    EXPECT_NE(std::string::npos, r.err.find(std::string(target) + " is Zolt's own data file"))
        << r.err;
    EXPECT_EQ(before, readFile(data)) << target;
  }
  RunResult r = runZolt(dir.path(), "-q -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
}

}  // namespace
