#include "ZELSysTSTime.h"

#include <ctime>

void ZELSysTSTime::SetCurrentTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  _seconds = static_cast<int64_t>(now.tv_sec);
  _milliseconds = static_cast<int>(now.tv_nsec / 1000000);
}

void ZELSysTSTime::GetTime(int& timeZone, int& year, int& month, int& day, int& hours, int& minutes,
                           int& seconds, int& milliseconds, int& dayOfWeek, int& dayOfYear) const {
  time_t t = static_cast<time_t>(_seconds);
  tm local{};
  localtime_r(&t, &local);
  timeZone = static_cast<int>(local.tm_gmtoff / 60);
  year = local.tm_year + 1900;
  month = local.tm_mon + 1;
  day = local.tm_mday;
  hours = local.tm_hour;
  minutes = local.tm_min;
  seconds = local.tm_sec;
  milliseconds = _milliseconds;
  dayOfWeek = local.tm_wday;
  dayOfYear = local.tm_yday + 1;
}
