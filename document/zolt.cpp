#include "document/zolt.h"

#include "store/text_util.h"

Zolt::Zolt() {
  calendar.firstDay = getTodayDate(kNoTime);
  calendar.span = 7;
}

Zolt::~Zolt() {
  delete rememberedTodo;
  delete rememberedGroup;
  delete root;
}

int Zolt::createRoot() {
  delete root;
  root = new ToDoListGroup(0, "/", 0);
  curGroup = root;
  curGroupPath = "/0/";
  return 0;
}

void Zolt::setGroup(ToDoListGroup* g) {
  curGroup = g;
  curGroupPath = g->getPath() + itoStr(g->getID(), ' ', 0, true) + "/";
}

void Zolt::windowSize(unsigned& w, unsigned& h) {
  if (w != 0) {
    winWidth = w;
    winHeight = h;
  } else {
    w = winWidth;
    h = winHeight;
  }
}
