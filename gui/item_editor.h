// The widgets of the item and group editor screens (2 to 5) of the main window. They are
// children of the window, built once by makeEditorWidgets; ZoltGUI owns this record.
#ifndef ZOLT_GUI_ITEM_EDITOR_H_
#define ZOLT_GUI_ITEM_EDITOR_H_

class Fl_Widget;

struct EditorScreens {
  int returnLine = 0;  // the list's first visible line when the editor was opened
};

#endif  // ZOLT_GUI_ITEM_EDITOR_H_
