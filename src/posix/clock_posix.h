// The monotonic clock in milliseconds, for the POSIX backends' waits.
#pragma once

#include <time.h>

inline long long MonotonicMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}
