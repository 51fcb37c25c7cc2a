// ZELSysTSTime: a point in time read in the local time zone.
#pragma once

#include <cstdint>

#include "ZELSysTSExport.h"

class ZELSYSTS_API ZELSysTSTime {
 public:
  ZELSysTSTime() = default;

  // Takes the current time of the system clock.
  void SetCurrentTime();

  // Breaks the stored time down in the local time zone. `timeZone` is an
  // offset selector: 0 means local time (the only one supported); on return it
  // holds the offset from UTC in minutes. Month 1-12, day 1-31, dayOfWeek 0-6
  // from Sunday, dayOfYear 1-366.
  void GetTime(int& timeZone, int& year, int& month, int& day, int& hours, int& minutes,
               int& seconds, int& milliseconds, int& dayOfWeek, int& dayOfYear) const;

  // The stored time as whole seconds since 1970 (UTC) and the milliseconds
  // within that second: what a cache of the broken-down time is keyed on.
  int64_t GetEpochSeconds() const { return _seconds; }
  int GetMilliseconds() const { return _milliseconds; }

 private:
  int64_t _seconds = 0;
  int _milliseconds = 0;
};
