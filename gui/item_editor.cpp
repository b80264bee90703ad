// The item and group editor screens.
#include "gui/item_editor.h"

#include "document/zolt.h"
#include "gui/zolt_gui.h"

void ZoltGUI::makeEditorWidgets() { editor_ = new EditorScreens(); }
void ZoltGUI::layoutEditor(int, int) {}
void ZoltGUI::showEditorScreen(int) {}
void ZoltGUI::hideEditor() {}
void ZoltGUI::setEditorMenuActive(bool, bool) {}
int ZoltGUI::handleEditorKey() { return 0; }
void ZoltGUI::setEditorTextSize(int) {}

void ZoltGUI::show_editToDoWin(bool, bool) {
  editor_->returnLine = firstVisibleLine();
  showMain(kScreenEditBasics);
}

void ZoltGUI::editToDo_Done() {
  if (doc->incsave_todoHasChanged() && doc->incsave_saveCurItem() != 0) journalProblem();
  doc->incsave_forgetTodo();
  int line = showMain(kScreenList);
  doc->checkCompleted();
  showList(line != 0 ? line : editor_->returnLine);
}

void ZoltGUI::editGroup_Done() {
  if (doc->incsave_groupHasChanged() && doc->incsave_saveCurGroup() != 0) journalProblem();
  doc->incsave_forgetGroup();
  showMain(kScreenList);
  doc->checkCompleted();
  if (groupEditing) {
    doc->enterPrevGroup();
    groupEditing = false;
  }
  showList(editorReturnLine);
}
