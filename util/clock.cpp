#include "util/clock.h"

namespace {
bool fixedSet = false;
std::time_t fixedMoment = 0;
}  // namespace

std::time_t zoltNow() { return fixedSet ? fixedMoment : std::time(nullptr); }

void setFixedClock(std::time_t moment) {
  fixedSet = true;
  fixedMoment = moment;
}

void clearFixedClock() { fixedSet = false; }

FixedClock::FixedClock(std::time_t moment) : hadFixed_(fixedSet), previous_(fixedMoment) {
  setFixedClock(moment);
}

FixedClock::~FixedClock() {
  fixedSet = hadFixed_;
  fixedMoment = previous_;
}
