// A real main window over a real document read from a fixture file, with every message
// box and modal dialog answered by the test.
#ifndef ZOLT_TESTS_GUI_MAIN_WINDOW_FIXTURE_H_
#define ZOLT_TESTS_GUI_MAIN_WINDOW_FIXTURE_H_

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/startup.h"
#include "document/zolt.h"
#include "gui/row_list.h"
#include "gui/scripted_dialogs.h"
#include "gui/zolt_gui.h"
#include "test_util.h"

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(data, readFile(testData(fixture())));
    writeFile(clipboard, "");
    Open();
  }
  void TearDown() override { Close(); }
  virtual const char* fixture() const { return "gui_window.dat"; }

  // Reads the data file and its journal into a new document and builds the window on it,
  // as start-up does.
  void Open() {
    doc = new Zolt();
    zolt = doc;
    doc->createRoot();
    ASSERT_EQ(0, doc->readData(data.c_str()));
    std::string error;
    ASSERT_GE(doc->incsave_readFiles(error), 0) << error;
    win = new ZoltGUI(640, 480, "Zolt: test");
    mainWin = win;
    win->makeWindows();
    win->init(doc, clipboard.c_str());
    win->showMain(kScreenList);
    win->setMenuActive();
    win->showList(0);
    win->initFakeKbd();
  }
  void Close() {
    delete win;
    delete doc;
    win = nullptr;
    doc = nullptr;
    zolt = nullptr;
  }
  // A fresh start on the same files: what a crash would leave is what the next start sees.
  void Restart() {
    Close();
    Open();
  }

  int lines() const { return win->list()->size(); }
  std::string line(int n) const { return win->list()->text(n); }
  // The shown text of line n: what follows the format codes.
  std::string shown(int n) const {
    std::string l = line(n);
    size_t at = l.rfind("@.");
    return at == std::string::npos ? l : l.substr(at + 2);
  }
  // The line whose shown text is `text`; 0 when there is none.
  int lineOf(const std::string& text) const {
    for (int i = 1; i <= lines(); ++i) {
      if (shown(i) == text) return i;
    }
    return 0;
  }
  void Key(int key, int state = 0) {
    Fl::e_keysym = key;
    Fl::e_state = state;
    win->handle(FL_KEYBOARD);
    Fl::e_state = 0;
  }
  // A left click released on line `n`, `x` pixels right of the list's left edge.
  void Click(int n, int x) {
    win->list()->deselect();
    win->list()->select(n);
    Fl::e_keysym = FL_Button + 1;
    Fl::e_x = win->list()->x() + x;
    win->listViewClicked();
  }
  void Select(int n) {
    win->list()->deselect();
    win->list()->select(n);
  }
  int journalFiles() const { return doc->incsave_getNrOfFiles(); }
  // Shows the window and waits, with a deadline, until the display has drawn it.
  void ShowWindow() {
    win->show();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(win->shown() && win->visible() && win->damage() == 0)) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the window was never drawn";
      Fl::wait(0.05);
    }
  }

  TempDir dir;
  std::string data = dir.file("data.dat");
  std::string clipboard = dir.file("clipboard.tmp");
  ScriptedDialogs dialogs;
  Zolt* doc = nullptr;
  ZoltGUI* win = nullptr;
};

#endif  // ZOLT_TESTS_GUI_MAIN_WINDOW_FIXTURE_H_
