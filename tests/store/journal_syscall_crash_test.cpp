// Crash states built from the system calls of a real run: `zolt -q -s` replays a journal,
// compacts it into the master file at start and writes the master file again at exit,
// under strace. Cut after every call that changes the data file's folder, the folder holds
// what a power cut could leave: every rename, creation and removal up to the cut in their
// order, and each file's content as of its last fsync (none: empty). Every such state must
// load, hold exactly the journalled document, and take the next session's journal without
// replaying anything twice.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "document/zolt.h"
#include "store/journal_test_util.h"
#include "test_util.h"

namespace {

// strace -xx writes every byte of a string or a path as \xHH.
std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One traced call: its name, arguments as written, and result.
struct Call {
  std::string name;
  std::vector<std::string> args;
  long result = -1;
  std::string resultPath;  // the descriptor's file, for a call that returns one
};

bool parseCall(const std::string& line, Call& call) {
  size_t open = line.find('(');
  size_t equals = line.rfind(") = ");
  if (open == std::string::npos || equals == std::string::npos || equals < open) return false;
  call.name = line.substr(0, open);
  std::string args = line.substr(open + 1, equals - open - 1);
  for (size_t from = 0; from <= args.size();) {
    size_t comma = args.find(", ", from);
    if (comma == std::string::npos) comma = args.size();
    call.args.push_back(args.substr(from, comma - from));
    from = comma + 2;
  }
  std::string result = line.substr(equals + 4);
  call.result = std::strtol(result.c_str(), nullptr, 10);
  size_t lt = result.find('<');
  if (lt != std::string::npos)
    call.resultPath = unescape(result.substr(lt + 1, result.find('>') - lt - 1));
  return true;
}

// "3<\x2f...>": the descriptor's number.
int fdOf(const std::string& arg) { return std::atoi(arg.c_str()); }
// A quoted string argument, unescaped.
std::string stringOf(const std::string& arg) { return unescape(arg.substr(1, arg.size() - 2)); }
// A path argument, made absolute against the folder `cwd`.
std::string pathOf(const std::string& arg, const std::string& cwd) {
  std::string p = stringOf(arg);
  return p[0] == '/' ? p : cwd + "/" + p;
}

// The folder as the calls leave it, and as a crash would.
class FolderModel {
 public:
  explicit FolderModel(const std::string& folder) : folder(folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::string content = readFile(entry.path().string());
      names[entry.path().string()] = newFile(content, content);
    }
  }

  // Applies one call; true when it changed something a crash could keep.
  bool apply(const Call& c) {
    if (c.result < 0) return false;
    if (c.name == "openat" || c.name == "open") return opened(c);
    if (c.name == "write" || c.name == "pwrite64") return written(c);
    if (c.name == "ftruncate")
      return in(fdOf(c.args[0]), [&](File& f) { f.now.resize(std::stoul(c.args[1])); });
    if (c.name == "fsync" || c.name == "fdatasync") {
      return in(fdOf(c.args[0]), [](File& f) { f.durable = f.now; });
    }
    if (c.name == "close") {
      fds.erase(fdOf(c.args[0]));
      return false;
    }
    if (c.name == "rename") return renamed(pathOf(c.args[0], folder), pathOf(c.args[1], folder));
    if (c.name == "renameat" || c.name == "renameat2") {
      return renamed(pathOf(c.args[1], folder), pathOf(c.args[3], folder));
    }
    if (c.name == "unlink") return names.erase(pathOf(c.args[0], folder)) > 0;
    if (c.name == "unlinkat") return names.erase(pathOf(c.args[1], folder)) > 0;
    return false;
  }

  // What a crash now leaves: every name with its file's durable content.
  std::map<std::string, std::string> crashState() const {
    std::map<std::string, std::string> state;
    for (const auto& [name, file] : names) {
      state[name.substr(folder.size() + 1)] = files[file].durable;
    }
    return state;
  }

 private:
  struct File {
    std::string now, durable;
  };
  struct Open {
    int file;
    size_t offset;
  };

  int newFile(const std::string& now, const std::string& durable) {
    files.push_back(File{now, durable});
    return static_cast<int>(files.size()) - 1;
  }
  bool inFolder(const std::string& path) const {
    return path.size() > folder.size() && path.compare(0, folder.size() + 1, folder + "/") == 0 &&
           path.find('/', folder.size() + 1) == std::string::npos;
  }
  bool opened(const Call& c) {
    const std::string& path = c.resultPath;
    if (!inFolder(path)) return false;
    const std::string& flags = c.args[c.name == "openat" ? 2 : 1];
    bool created = names.count(path) == 0;
    if (created) names[path] = newFile("", "");
    if (flags.find("O_TRUNC") != std::string::npos) files[names[path]].now.clear();
    fds[static_cast<int>(c.result)] = Open{names[path], 0};
    return created || flags.find("O_TRUNC") != std::string::npos;
  }
  bool written(const Call& c) {
    auto it = fds.find(fdOf(c.args[0]));
    if (it == fds.end()) return false;
    std::string data = stringOf(c.args[1]).substr(0, static_cast<size_t>(c.result));
    size_t at = c.name == "pwrite64" ? std::stoul(c.args[3]) : it->second.offset;
    std::string& now = files[it->second.file].now;
    if (now.size() < at + data.size()) now.resize(at + data.size());
    now.replace(at, data.size(), data);
    if (c.name == "write") it->second.offset = at + data.size();
    return true;
  }
  template <class Change>
  bool in(int fd, Change change) {
    auto it = fds.find(fd);
    if (it == fds.end()) return false;
    change(files[it->second.file]);
    return true;
  }
  bool renamed(const std::string& from, const std::string& to) {
    auto it = names.find(from);
    if (it == names.end()) return false;
    int file = it->second;
    names.erase(it);
    if (inFolder(to)) names[to] = file;
    return true;
  }

  std::string folder;
  std::vector<File> files;
  std::map<std::string, int> names;
  std::map<int, Open> fds;
};

std::string realFolder(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

std::string withoutIdentifiers(const std::string& tree) {
  std::istringstream in(tree);
  std::string out, line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] != 'I') out += line + "\n";
  }
  return out;
}

std::unique_ptr<Zolt> start(const std::string& master, std::string& problem) {
  std::unique_ptr<Zolt> z(new Zolt());
  z->createRoot();
  std::string errorFile;
  int replayed = -1;
  if (z->readData(master.c_str()) != 0 || (replayed = z->incsave_readFiles(errorFile)) < 0) {
    problem = errorFile + ": " + z->incsave_replayProblem();
    return nullptr;
  }
  if (replayed == 1 && z->incsave_compact(master.c_str()) != 0) return nullptr;
  return z;
}

// The next session: one new to-do in the journal, then a kill (nothing more is written).
void nextSession(Zolt& z) {
  z.setGroup(z.getRoot());
  ASSERT_EQ(0, z.newToDo(0, 0));
  z.incsave_newItem();
  z.setItemSummary("made after the crash");
  ASSERT_EQ(0, z.incsave_saveCurItem());
}

}  // namespace

class JournalSyscallCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (system("strace -V >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "strace is not installed: tools/install_deps.sh installs it";
    }
    folder = realFolder(dir.path());
    writeFile(master(), readFile(testData("example.dat")));
    // A journal of every kind of record, as the window writes them.
    std::string problem;
    std::unique_ptr<Zolt> z = start(master(), problem);
    ASSERT_NE(nullptr, z) << problem;
    for (int k = 0; k < 4; ++k) {
      ASSERT_EQ(0, z->newToDo(0, 0));
      z->incsave_newItem();
      z->setItemSummary("journalled " + std::to_string(k));
      ASSERT_EQ(0, z->incsave_saveCurItem());
    }
    z->incsave_rememberTodo();
    z->setItemSummary("journalled and changed");
    ASSERT_EQ(0, z->incsave_saveCurItem());
    ASSERT_EQ(0, z->turnCurItem2Group());
    z->toggleGroupCompletedLast();
    z->setGroup(z->getRoot());
    z->setItem(z->getRoot()->getToDos()[0]);
    ASSERT_EQ(0, z->delToDo());
    files = z->incsave_getNrOfFiles();
    expected = TreeText(*z);
    nextSession(*z);
    afterNext = withoutIdentifiers(TreeText(*z));
    // The journal of that session is not part of the traced state.
    std::filesystem::remove(master() + std::to_string(files));
  }

  std::string master() const { return folder + "/data.dat"; }

  // The traced run's calls, in order.
  std::vector<Call> TracedRun() {
    std::string trace = traceDir.file("trace");
    // LeakSanitizer cannot run under ptrace: a sanitized build checks leaks elsewhere.
    std::string command = "cd '" + folder + "' && env -u XDG_RUNTIME_DIR HOME='" + folder +
                          "' TMPDIR='" + folder +
                          "' ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" strace -qq -y -xx -s 10000000 -o '" + trace +
                          "' -e trace=open,openat,write,pwrite64,ftruncate,fsync,fdatasync,"
                          "close,rename,renameat,renameat2,unlink,unlinkat '" +
                          ZOLT_BINARY + "' -q -s -f data.dat >/dev/null 2>&1";
    EXPECT_EQ(0, system(command.c_str())) << command;
    std::vector<Call> calls;
    std::ifstream in(trace);
    std::string line;
    while (std::getline(in, line)) {
      Call call;
      if (parseCall(line, call)) calls.push_back(call);
    }
    return calls;
  }

  TempDir dir, traceDir;
  std::string folder;
  int files = 0;
  std::string expected, afterNext;
};

TEST_F(JournalSyscallCrashTest, EveryCrashStateLoadsWholeAndTakesTheNextJournal) {
  ASSERT_GE(files, 8);
  FolderModel model(folder);
  std::vector<Call> calls = TracedRun();
  std::set<std::map<std::string, std::string>> states{model.crashState()};
  int removals = 0;
  for (const Call& c : calls) {
    if (model.apply(c)) states.insert(model.crashState());
    removals += (c.name == "unlink" || c.name == "unlinkat") && c.result == 0;
  }
  ASSERT_GE(removals, files) << "the run removed its journal";
  ASSERT_GE(states.size(), 20u) << "the trace holds the run's file operations";
  for (const auto& state : states) {
    TempDir scratch;
    std::string listing;
    for (const auto& [name, content] : state) {
      writeFile(scratch.file(name), content);
      listing += " " + name;
    }
    std::string problem;
    std::unique_ptr<Zolt> z = start(scratch.file("data.dat"), problem);
    ASSERT_NE(nullptr, z) << "state:" << listing << ": " << problem;
    EXPECT_EQ(expected, TreeText(*z)) << "state:" << listing;
    nextSession(*z);
    z = start(scratch.file("data.dat"), problem);
    ASSERT_NE(nullptr, z) << "state:" << listing << ", next start: " << problem;
    EXPECT_EQ(afterNext, withoutIdentifiers(TreeText(*z))) << "state:" << listing;
  }
}
