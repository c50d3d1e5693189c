#include "values/clock_win32.h"

#include <windows.h>

namespace qv {

DateTime SystemClock::Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return DateTime::FromParts(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

}  // namespace qv
