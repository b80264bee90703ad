// What the data file keeps of the window besides the items: its size, the view and its
// options, the group shown and the lists' first lines. Compared at exit, so that a session
// that changed only these still writes them.
#ifndef ZOLT_APP_VIEW_STATE_H_
#define ZOLT_APP_VIEW_STATE_H_

#include <string>

class Zolt;

struct T_ViewState {
  unsigned halfWidth = 0;
  unsigned halfHeight = 0;
  int viewtype = 0;
  int mainViewType = 0;  // as stored: the calendar or the normal view
  int sort = 0;
  unsigned calFirstDay = 0;
  int calSpan = 0;
  unsigned nLineNormal = 0;
  unsigned nLineCal = 0;
  bool showKbd = false;
  std::string group;

  bool operator==(const T_ViewState& o) const;
  bool operator!=(const T_ViewState& o) const { return !(*this == o); }
};

// The state as `doc` holds it now.
T_ViewState viewStateOf(Zolt& doc);

#endif  // ZOLT_APP_VIEW_STATE_H_
