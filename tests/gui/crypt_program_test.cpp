// Encrypted descriptions in the real program, driven with real keys through xdotool and
// killed with SIGKILL: a password is on disk before the first note encrypted under it, no
// file ever holds such a note in clear (the external editor's own file only while it
// runs), and the process writes no core file.
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "document/zolt.h"
#include "gui/program_fixture.h"

namespace {

// Spelled in two halves in the editor script, so that the script itself never holds it.
const char kMarker[] = "MARKER-gui-5e2a";

class CryptProgramTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    unlink(data.c_str());  // a new data file: the note is the list's one row
    // The editor writes the note, lists every file that holds it while it runs, and
    // leaves a backup beside its file as many editors do.
    std::string script = dir.file("edit.sh");
    writeFile(script,
              "#!/bin/sh\nprintf '%s%s\\n' 'MARKER-' 'gui-5e2a' > \"$1\"\n"
              "grep -rl \"MARKER\"\"-gui\" \"$HOME\" > \"$HOME/holders.txt\"\n"
              "cp \"$1\" \"$1~\"\n");
    chmod(script.c_str(), 0700);
    mkdir(dir.file(".zoltrc").c_str(), 0700);
    writeFile(dir.file(".zoltrc/zolt.config"), "editor=" + script + "\n");
  }

  // Opens Crypt > Add Pwd... from the list with keys and adds the password "pw".
  void AddPassword() {
    Focus();
    Xdotool("key alt+m Up Up Right Return");
    std::string box = AwaitDialog("^Add a password");
    ASSERT_FALSE(box.empty());
    Xdotool("windowfocus --sync " + box);
    Xdotool("type home");
    Xdotool("key Tab");
    Xdotool("type pw");
    Xdotool("key Tab");
    Xdotool("type pw");
    Xdotool("key Return");
  }
  // Polls until `file` holds `text`, for at most 20 seconds.
  bool AwaitText(const std::string& file, const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (readFile(file).find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return true;
  }
  // The shown window of the program named like `name` other than the main window, once it
  // shows (a search by name may also give the main window); "" after 20 seconds.
  std::string AwaitDialog(const std::string& name) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      std::istringstream found(Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                     " --name '" + name + "' 2>/dev/null"));
      for (std::string id; std::getline(found, id);) {
        if (!id.empty() && id != window) return id;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return std::string();
  }
  // Polls until window `id` is no longer shown, for at most 20 seconds.
  bool AwaitGone(const std::string& id) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                 " --name '' 2>/dev/null")
               .find(id) != std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return true;
  }
  // Every regular file below the test's directory that holds the marker.
  std::vector<std::string> Holders(const std::string& from = "") {
    std::vector<std::string> found;
    std::string top = from.empty() ? dir.path() : from;
    DIR* d = opendir(top.c_str());
    if (d == nullptr) return found;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name, path = top + "/" + n;
      struct stat st;
      if (n == "." || n == ".." || n == "holders.txt" || lstat(path.c_str(), &st) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        for (const std::string& f : Holders(path)) found.push_back(f);
      } else if (S_ISREG(st.st_mode) && readFile(path).find(kMarker) != std::string::npos) {
        found.push_back(path);
      }
    }
    closedir(d);
    return found;
  }
  // The description of the to-do `summary` anywhere in the file, after a login with "pw".
  std::string ReadNote(const std::string& summary) {
    Zolt z;
    z.createRoot();
    if (z.readData(data.c_str()) != 0) return "<unreadable file>";
    z.getKeys().Login(0, "pw");
    if (!z.getKeys().IsLoggedIn()) return "<no login>";
    std::vector<ToDoListItem*> items;
    z.getRoot()->collectSubtree(items);
    for (ToDoListItem* item : items) {
      ToDoListGroup* g = z.getRoot()->getGroupPtr(item->getPath());
      for (ToDoListToDo* t : g ? g->getToDos() : std::vector<ToDoListToDo*>()) {
        const char* text = nullptr;
        if (t != item || t->getSummary() != summary) continue;
        if (t->GetDescription(text, &z.getKeys()) != 0) return "<locked>";
        return text ? text : "";
      }
    }
    return "<no to-do " + summary + ">";
  }
};

TEST_F(CryptProgramTest, AnEncryptedNoteMadeRightAfterAddingAPasswordSurvivesAKill) {
  Start();
  AddPassword();
  ASSERT_TRUE(AwaitText(data, "</Crypt>")) << "the key block is on disk at once";
  Focus();
  Xdotool("key alt+n");
  Xdotool("type 'secret note'");
  Xdotool("key alt+y alt+e");  // Crypt, the external editor
  ASSERT_TRUE(AwaitFile(dir.file("holders.txt")));
  ASSERT_TRUE(AwaitExternalEditDone());
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0")) << readFile(dir.file("zolt.out"));
  std::string holders = readFile(dir.file("holders.txt"));
  std::string own =
      dir.path() + "/zolt-" + std::to_string(getuid()) + "/zolt-edit-" + std::to_string(pid) + "-";
  EXPECT_EQ(0u, holders.find(own)) << holders;
  EXPECT_EQ(holders.find('\n') + 1, holders.size()) << "the editor's file alone: " << holders;
  EXPECT_EQ(std::vector<std::string>{}, Holders()) << "nothing in clear once the editor is done";
  ASSERT_EQ(SIGKILL, WTERMSIG(KillAndWait(SIGKILL)));

  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(std::string(kMarker) + "\n", ReadNote("secret note"));
  EXPECT_EQ(std::vector<std::string>{}, Holders());
}

// The note is unlocked through the login that opening it asks for, then turned into a
// group: the journal, the master file and every other file keep it encrypted.
TEST_F(CryptProgramTest, TurningAnUnlockedNoteIntoAGroupWritesNoClearText) {
  Start();
  AddPassword();
  ASSERT_TRUE(AwaitText(data, "</Crypt>"));
  Focus();
  Xdotool("key alt+n");
  Xdotool("type 'secret note'");
  Xdotool("key alt+y alt+e");
  ASSERT_TRUE(AwaitFile(dir.file("holders.txt")));
  ASSERT_TRUE(AwaitExternalEditDone());
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0"));
  Xdotool("key ctrl+q");
  ASSERT_NE(-1, AwaitExit());
  ASSERT_FALSE(fileExists(data + "0"));

  Start();
  Focus();
  Xdotool("key Down Right");  // "secret note": the login comes first
  std::string login = AwaitDialog("^Log in");
  ASSERT_FALSE(login.empty());
  Xdotool("windowfocus --sync " + login);
  Xdotool("type pw");
  Xdotool("key Return");
  ASSERT_TRUE(AwaitGone(login)) << "the login ends and the editor opens";
  Focus();
  Xdotool("key alt+m Down Down Down Down Return");  // the editor's menu: turn to group
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitText(data + "0", "ssecret note")) << readFile(dir.file("zolt.out"));
  EXPECT_EQ(std::vector<std::string>{}, Holders()) << "the journal holds ciphertext";
  Xdotool("key ctrl+q");
  int status = AwaitExit();
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_EQ(std::vector<std::string>{}, Holders()) << "the master file too";
  EXPECT_EQ(std::string(kMarker) + "\n", ReadNote("secret note"));
  EXPECT_NE(std::string::npos, readFile(data).find("g\nssecret note\n")) << "it is a group now";
}

// An edit cut short by a kill leaves its directory; the next start removes it.
TEST_F(CryptProgramTest, AKilledEditLeavesNoClearTextAfterTheNextStart) {
  writeFile(dir.file("edit.sh"),
            "#!/bin/sh\nprintf '%s%s\\n' 'MARKER-' 'gui-5e2a' > \"$1\"\n"
            "echo $$ > \"$HOME/editor.pid\"\nwhile :; do sleep 1; done\n");
  Start();
  Focus();
  Xdotool("key alt+n");
  Xdotool("type 'note'");
  Xdotool("key alt+e");
  ASSERT_TRUE(AwaitFile(dir.file("editor.pid")));
  ASSERT_TRUE(AwaitText(dir.file("editor.pid"), "\n"));
  ASSERT_EQ(SIGKILL, WTERMSIG(KillAndWait(SIGKILL)));
  kill(atoi(readFile(dir.file("editor.pid")).c_str()), SIGKILL);
  ASSERT_EQ(1u, Holders().size()) << "the kill left the note in its edit directory";
  Start();
  EXPECT_EQ(std::vector<std::string>{}, Holders());
}

// A login declined when opening an encrypted note still opens the note: its priority can
// be changed while its description stays shut and encrypted.
TEST_F(CryptProgramTest, ACancelledLoginOpensTheNoteWithOnlyItsDescriptionShut) {
  Start();
  AddPassword();
  ASSERT_TRUE(AwaitText(data, "</Crypt>"));
  Focus();
  Xdotool("key alt+n");
  Xdotool("type 'secret note'");
  Xdotool("key alt+y alt+e");
  ASSERT_TRUE(AwaitFile(dir.file("holders.txt")));
  ASSERT_TRUE(AwaitExternalEditDone());
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0"));
  Xdotool("key ctrl+q");
  ASSERT_NE(-1, AwaitExit());

  Start();
  Focus();
  Xdotool("key Down Right");
  std::string login = AwaitDialog("^Log in");
  ASSERT_FALSE(login.empty());
  Xdotool("windowfocus --sync " + login);
  Xdotool("key Escape");
  ASSERT_TRUE(AwaitGone(login));
  Focus();
  Xdotool("key alt+5 alt+c");  // priority 5, close
  ASSERT_TRUE(AwaitText(data + "0", "p5\n")) << readFile(dir.file("zolt.out"));
  Xdotool("key ctrl+q");
  ASSERT_NE(-1, AwaitExit());
  EXPECT_EQ(std::string(kMarker) + "\n", ReadNote("secret note"));
  EXPECT_EQ(std::vector<std::string>{}, Holders());
}

// A password typed in the visible field is one line: Enter there closes the dialog, and the
// password stored is the line as typed, which the login's visible field opens again.
TEST_F(CryptProgramTest, EnterInTheVisiblePasswordFieldConfirmsAndStoresTheLine) {
  Start();
  Focus();
  Xdotool("key alt+m Up Up Right Return");
  std::string box = AwaitDialog("^Add a password");
  ASSERT_FALSE(box.empty());
  Xdotool("windowfocus --sync " + box);
  Xdotool("type home");
  Xdotool("key Tab Tab Tab");
  Xdotool("type pw");
  Xdotool("key Return");
  ASSERT_TRUE(AwaitGone(box)) << "Enter confirms the dialog";
  ASSERT_TRUE(AwaitText(data, "</Crypt>"));
  Focus();
  Xdotool("key ctrl+q");
  ASSERT_NE(-1, AwaitExit());
  Zolt z;
  z.createRoot();
  ASSERT_EQ(0, z.readData(data.c_str()));
  z.getKeys().Login(0, "pw");
  EXPECT_TRUE(z.getKeys().IsLoggedIn()) << "no line break was added to the password";

  Start();
  Focus();
  Xdotool("key alt+m Up Up Right Down Return");  // Crypt, Login...
  std::string login = AwaitDialog("^Log in");
  ASSERT_FALSE(login.empty());
  Xdotool("windowfocus --sync " + login);
  Xdotool("key Tab");
  Xdotool("type pw");
  Xdotool("key Return");
  EXPECT_TRUE(AwaitGone(login)) << "the visible field's line logs in";
}

// No core file can hold a decrypted note: the limit is 0 from the start.
TEST_F(CryptProgramTest, TheProgramWritesNoCoreFile) {
  Start();
  std::string limits = readFile("/proc/" + std::to_string(pid) + "/limits");
  size_t at = limits.find("Max core file size");
  ASSERT_NE(std::string::npos, at) << limits;
  std::istringstream line(limits.substr(at + strlen("Max core file size")));
  std::string soft, hard;
  line >> soft >> hard;
  EXPECT_EQ("0", soft);
  EXPECT_EQ("0", hard);
}

}  // namespace
