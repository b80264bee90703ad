#include "util/external_editor.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

#include "app/exchange_file.h"
#include "test_util.h"
#include "util/default_editor.h"

// Sets environment variables for one test (nullptr unsets) and restores them afterwards.
class EnvGuard {
 public:
  ~EnvGuard() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->had) {
        setenv(it->name.c_str(), it->value.c_str(), 1);
      } else {
        unsetenv(it->name.c_str());
      }
    }
  }
  void set(const char* name, const char* value) {
    const char* old = getenv(name);
    saved_.push_back({name, old != nullptr, old ? old : ""});
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }

 private:
  struct Saved {
    std::string name;
    bool had;
    std::string value;
  };
  std::vector<Saved> saved_;
};

// Every test gets a private directory whose name needs quoting, and a place for scripts.
class ExternalEditorTest : public ::testing::Test {
 protected:
  ExternalEditorTest() {
    mkdir(runDir.c_str(), 0700);
    env.set("XDG_RUNTIME_DIR", runDir.c_str());
    env.set("TMPDIR", dir.path().c_str());
  }
  // Writes an executable script; its first line records the file name and mode it was given.
  std::string Script(const std::string& name, const std::string& body) {
    std::string path = dir.file(name);
    writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$1\" > " + shellQuote(seen) +
                        "\nstat -c %a \"$1\" >> " + shellQuote(seen) + "\n" + body);
    chmod(path.c_str(), 0700);
    return shellQuote(path);
  }
  static std::vector<std::string> Entries(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(d);
    }
    return names;
  }

  TempDir dir;
  EnvGuard env;
  std::string runDir = dir.file("run dir 'q' $HOME");
  std::string seen = dir.file("seen");
};

TEST(ShellQuoteTest, OneWordForAnyName) {
  static const struct {
    const char* word;
    const char* quoted;
  } kCases[] = {
      {"", "''"},
      {"/tmp/a b", "'/tmp/a b'"},
      {"it's", "'it'\\''s'"},
      {"$(x) `y` \"z\" \\ ;&|*", "'$(x) `y` \"z\" \\ ;&|*'"},
      {"''", "''\\'''\\'''"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.quoted, shellQuote(c.word)) << c.word;
    TempDir d;
    std::string out = d.file("out");
    std::string line = "printf '%s' " + shellQuote(c.word) + " > " + shellQuote(out);
    ASSERT_EQ(0, system(line.c_str())) << c.word;
    EXPECT_EQ(c.word, readFile(out)) << "the shell reads back the very bytes of " << c.word;
  }
}

TEST(EditorCommandTest, ConfiguredThenVisualThenEditorThenBuiltIn) {
  static const struct {
    const char* configured;
    const char* visual;  // nullptr: unset
    const char* editor;  // nullptr: unset
    const char* expected;
  } kCases[] = {
      {"vim -f", "code --wait", "nano", "vim -f"},
      {"", "code --wait", "nano", "code --wait"},
      {"", nullptr, "nano", "nano"},
      {"", "  ", "nano", "nano"},
      {" ", nullptr, nullptr, nullptr},
      {"", "", "", nullptr},
  };
  for (const auto& c : kCases) {
    EnvGuard env;
    env.set("VISUAL", c.visual);
    env.set("EDITOR", c.editor);
    // nullptr: the editor found on $PATH (tests/util/default_editor_test.cpp).
    std::string expected =
        c.expected ? c.expected : defaultEditorCommand(getenv("PATH"), desktopSession());
    EXPECT_EQ(expected, editorCommand(c.configured)) << "configured '" << c.configured << "'";
  }
}

TEST_F(ExternalEditorTest, ReadFileExactlyKeepsEveryByte) {
  std::string binaryish;
  for (int c = 1; c < 256; ++c) binaryish += static_cast<char>(c);
  std::string content = std::string(5000, 'L') + "\n\r\n" + binaryish + "\n\nno final line feed";
  writeFile(dir.file("f"), content);
  std::string out = "old";
  ASSERT_EQ(0, readFileExactly(dir.file("f"), out));
  EXPECT_EQ(content, out);

  writeFile(dir.file("empty"), "");
  ASSERT_EQ(0, readFileExactly(dir.file("empty"), out));
  EXPECT_EQ("", out);
}

TEST_F(ExternalEditorTest, ReadFileExactlyFailsWithoutTouchingTheResult) {
  std::string out = "old";
  EXPECT_EQ(-1, readFileExactly(dir.file("missing"), out));
  EXPECT_EQ(-1, readFileExactly(dir.path(), out)) << "a directory: the read fails";
  EXPECT_EQ("old", out);
}

// Commands that leave the file alone or change it: the text comes back byte for byte, with
// exactly what the command did to it.
TEST_F(ExternalEditorTest, RoundTripIsByteExact) {
  std::string binaryish;
  for (int c = 1; c < 256; ++c) binaryish += static_cast<char>(c);
  const std::string texts[] = {
      "",
      "one line without final line feed",
      "two lines\nwith final line feed\n",
      std::string(499, 'x') + "\n" + std::string(2000, 'y') + binaryish + "\n\n",
  };
  std::string cat = "cat >/dev/null";  // a shell prefix: the file name follows the redirection
  std::string append = Script("append.sh", "printf 'added\\n' >> \"$1\"\n");
  for (const std::string& original : texts) {
    std::string text = original, error;
    ASSERT_EQ(0, editExternally(cat, text, error)) << error;
    EXPECT_EQ(original, text) << "no line feed added or dropped, nothing cut";
    ASSERT_EQ(0, editExternally(append, text, error)) << error;
    EXPECT_EQ(original + "added\n", text);
    EXPECT_TRUE(Entries(runDir).empty()) << "no file left behind";
  }
}

TEST_F(ExternalEditorTest, FileIsPrivateUniqueAndNotTheExchangeFile) {
  std::string exchange = createExchangeFile();
  ASSERT_FALSE(exchange.empty());
  writeFile(exchange, "clipboard");
  std::string text = "secret", error;
  ASSERT_EQ(0, editExternally(Script("look.sh", ""), text, error)) << error;
  std::string log = readFile(seen);
  std::string name = log.substr(0, log.find('\n'));
  std::string own = runDir + "/zolt-edit-" + std::to_string(getpid()) + "-";
  EXPECT_EQ(own, name.substr(0, own.size())) << name;
  EXPECT_EQ("/description.txt", name.substr(name.size() - 16));
  EXPECT_NE(exchange, name);
  EXPECT_EQ("600\n", log.substr(name.size() + 1)) << "the editor saw the file with mode 0600";
  EXPECT_FALSE(fileExists(name));
  EXPECT_EQ("clipboard", readFile(exchange)) << "the exchange file survives an edit";
  EXPECT_EQ(std::vector<std::string>{exchange.substr(runDir.size() + 1)}, Entries(runDir));
}

TEST_F(ExternalEditorTest, FallbackDirectoryNameNeedsQuotingToo) {
  std::string tmp = dir.file("tmp dir 'x'");
  ASSERT_EQ(0, mkdir(tmp.c_str(), 0700));
  env.set("XDG_RUNTIME_DIR", nullptr);
  env.set("TMPDIR", tmp.c_str());
  std::string text = "a\n", error;
  ASSERT_EQ(0, editExternally(Script("append.sh", "printf 'b\\n' >> \"$1\"\n"), text, error))
      << error;
  EXPECT_EQ("a\nb\n", text);
  std::string privateDir = tmp + "/zolt-" + std::to_string(getuid());
  EXPECT_EQ(0, readFile(seen).compare(0, privateDir.size(), privateDir));
  EXPECT_TRUE(Entries(privateDir).empty());
}

// Every failure keeps the text, explains itself and still removes the file.
TEST_F(ExternalEditorTest, FailuresKeepTheTextAndRemoveTheFile) {
  static const struct {
    const char* name;
    const char* body;  // nullptr: the command below runs instead of a script
    const char* command;
    const char* errorPart;
  } kCases[] = {
      {"fails.sh", "printf 'half done\\n' >> \"$1\"\nexit 1\n", "", "exited with status 1"},
      {"deletes.sh", "rm -- \"$1\"\n", "", "The editor removed the temporary file"},
      {"killed.sh", "kill -TERM $$\n", "", "its changes"},
      {"", nullptr, "/nonexistent/zolt-no-editor", "command not found"},
      {"", nullptr, "   ", "Set \"editor=\" in ~/.zoltrc/zolt.config"},
  };
  for (const auto& c : kCases) {
    std::string command = c.body ? Script(c.name, c.body) : c.command;
    std::string text = "kept\n", error;
    EXPECT_EQ(-1, editExternally(command, text, error)) << command;
    EXPECT_EQ("kept\n", text) << command;
    EXPECT_NE(std::string::npos, error.find(c.errorPart)) << command << ": " << error;
    EXPECT_NE(std::string::npos, error.find("The description was left as it was.")) << error;
    EXPECT_TRUE(Entries(runDir).empty()) << command;
  }
}

// A TMPDIR that does not exist does not stop an edit: the file goes into a fresh private
// directory under /tmp, which is gone again afterwards.
TEST_F(ExternalEditorTest, MissingTmpdirStillEdits) {
  env.set("XDG_RUNTIME_DIR", nullptr);
  env.set("TMPDIR", dir.file("missing dir").c_str());
  std::string text = "a\n", error;
  ASSERT_EQ(0, editExternally(Script("append.sh", "printf 'b\\n' >> \"$1\"\n"), text, error))
      << error;
  EXPECT_EQ("a\nb\n", text);
  std::string fresh = "/tmp/zolt-" + std::to_string(getuid()) + "-";
  EXPECT_EQ(0, readFile(seen).compare(0, fresh.size(), fresh)) << readFile(seen);
  EXPECT_FALSE(fileExists(dir.file("missing dir"))) << "TMPDIR is not made up";
}

// Editors leave backups ("~" files) and swap files beside the file they edit: the edit's
// own directory (0700) goes with all of it, and nothing of the text stays behind.
TEST_F(ExternalEditorTest, TheEditsDirectoryGoesWithTheEditorsBackups) {
  std::string text = "MARKER-first\n", error;
  std::string editor =
      Script("backup.sh", "stat -c %a \"$(dirname \"$1\")\" >> " + shellQuote(seen) +
                              "\ncp \"$1\" \"$1~\"\nmkdir \"$(dirname \"$1\")/.swap\"\n"
                              "cp \"$1\" \"$(dirname \"$1\")/.swap/x\"\n"
                              "ln -s " +
                              shellQuote(dir.path()) +
                              " \"$1.link\"\n"
                              "printf 'MARKER-second\\n' > \"$1\"\n");
  ASSERT_EQ(0, editExternally(editor, text, error)) << error;
  EXPECT_EQ("MARKER-second\n", text);
  std::string log = readFile(seen);
  EXPECT_NE(std::string::npos, log.find("\n600\n700\n")) << "file 0600 in a directory 0700";
  EXPECT_TRUE(Entries(runDir).empty()) << "no directory, backup or swap file left";
  EXPECT_TRUE(fileExists(seen)) << "a link in the directory was removed, not followed";
}

// A directory left by a process that no longer runs (a kill during an edit) goes at the
// next start; those of running processes, other names and links stay.
TEST_F(ExternalEditorTest, StaleEditDirectoriesOfDeadProcessesAreRemoved) {
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  ASSERT_EQ(dead, waitpid(dead, nullptr, 0));
  std::string start = readFile("/proc/self/stat");
  // Field 22 of our own stat line: our start time, as the editor records it.
  std::istringstream fields(start.substr(start.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) fields >> field;
  std::string me = std::to_string(getpid());
  const std::string deadDir = runDir + "/zolt-edit-" + std::to_string(dead) + "-123-abcdef";
  const std::string reusedPid = runDir + "/zolt-edit-" + me + "-1-abcdef";
  const std::string mine = runDir + "/zolt-edit-" + me + "-" + field + "-abcdef";
  const std::string other = runDir + "/zolt-other";
  for (const std::string& d : {deadDir, reusedPid, mine, other}) {
    ASSERT_EQ(0, mkdir(d.c_str(), 0700)) << d;
    writeFile(d + "/description.txt", "MARKER");
  }
  ASSERT_EQ(0, mkdir((deadDir + "/.swap").c_str(), 0700));
  writeFile(deadDir + "/description.txt~", "MARKER");
  writeFile(deadDir + "/.swap/x", "MARKER");
  ASSERT_EQ(0, symlink(other.c_str(), (runDir + "/zolt-edit-1-1-linked").c_str()));
  EXPECT_EQ(2, removeStaleEditDirectories(runDir));
  EXPECT_FALSE(fileExists(deadDir));
  EXPECT_FALSE(fileExists(reusedPid)) << "the pid lives, but another process has it";
  EXPECT_TRUE(fileExists(mine + "/description.txt")) << "a running edit is left alone";
  EXPECT_TRUE(fileExists(other + "/description.txt"));
  EXPECT_TRUE(fileExists(runDir + "/zolt-edit-1-1-linked")) << "a link is not a directory";
}

// The stepwise edit returns at once and reports the editor running until it ends; the
// text comes back as from the blocking call.
TEST_F(ExternalEditorTest, AStartedEditRunsUntilTheEditorEnds) {
  std::string go = dir.file("go");
  std::string editor = Script("wait.sh", "while [ ! -e " + shellQuote(go) +
                                             " ]; do sleep 0.01; done\n"
                                             "printf 'b\\n' >> \"$1\"\n");
  ExternalEdit edit;
  std::string error;
  ASSERT_EQ(0, edit.start(editor, "a\n", error)) << error;
  EXPECT_TRUE(edit.running());
  EXPECT_FALSE(edit.finished()) << "the editor waits for the go";
  writeFile(go, "");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!edit.finished()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
  }
  std::string text = "left alone";
  ASSERT_EQ(0, edit.finish(text, error)) << error;
  EXPECT_EQ("a\nb\n", text);
  EXPECT_FALSE(edit.running());
  EXPECT_TRUE(Entries(runDir).empty());
}

// An edit given up while the editor runs ends the editor and leaves no copy of the text;
// so does an edit object that goes while its editor runs.
TEST_F(ExternalEditorTest, AnAbandonedEditEndsTheEditorAndLeavesNothing) {
  for (bool explicitly : {true, false}) {
    std::string editor = Script("forever.sh", "echo $$ > " + shellQuote(dir.file("pid")) +
                                                  "\nwhile :; do sleep 0.01; done\n");
    unlink(dir.file("pid").c_str());
    {
      ExternalEdit edit;
      std::string error;
      ASSERT_EQ(0, edit.start(editor, "secret", error)) << error;
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (readFile(dir.file("pid")).find('\n') == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
      }
      EXPECT_EQ(1u, Entries(runDir).size());
      if (explicitly) {
        edit.abandon();
        EXPECT_FALSE(edit.running());
      }
    }
    pid_t running = atoi(readFile(dir.file("pid")).c_str());
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (kill(running, 0) == 0) {  // told to end, it soon does
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the editor runs on";
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    EXPECT_TRUE(Entries(runDir).empty()) << explicitly;
  }
}
