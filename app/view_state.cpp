#include "app/view_state.h"

#include "document/zolt.h"

bool T_ViewState::operator==(const T_ViewState& o) const {
  return halfWidth == o.halfWidth && halfHeight == o.halfHeight && viewtype == o.viewtype &&
         mainViewType == o.mainViewType && sort == o.sort && calFirstDay == o.calFirstDay &&
         calSpan == o.calSpan && nLineNormal == o.nLineNormal && nLineCal == o.nLineCal &&
         showKbd == o.showKbd && group == o.group;
}

T_ViewState viewStateOf(Zolt& doc) {
  T_ViewState s;
  doc.windowSize(s.halfWidth, s.halfHeight);  // a width of 0 asks for the stored size
  s.viewtype = static_cast<int>(doc.getOptViewtype());
  s.mainViewType = doc.getMainViewType() == kMainViewCalendar ? kMainViewCalendar : kMainViewNormal;
  s.sort = doc.getOptsSort();
  s.calFirstDay = doc.getCalFirstDay();
  s.calSpan = doc.getCalSpan();
  s.nLineNormal = doc.getNLineNormal();
  s.nLineCal = doc.getNLineCal();
  s.showKbd = doc.getOptShowKbd();
  s.group = doc.getCurGroupPath();
  return s;
}
