/* Preloaded into a test process: every reading of the wall clock jumps by
 * WALL_CLOCK_STEP seconds (forward or back) from the one before, as if someone
 * kept setting the system date. The monotonic clock is left alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>

static long offset;

static long nextOffset(void) {
  const char* step = getenv("WALL_CLOCK_STEP");
  offset += step ? atol(step) : 3600;
  return offset;
}

int clock_gettime(clockid_t clock, struct timespec* now) {
  static int (*real)(clockid_t, struct timespec*);
  if (!real) {
    /* dlsym returns an object pointer; copy its bits into the function pointer. */
    void* symbol = dlsym(RTLD_NEXT, "clock_gettime");
    memcpy(&real, &symbol, sizeof real);
  }
  int result = real(clock, now);
  if (result == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE))
    now->tv_sec += nextOffset();
  return result;
}

time_t time(time_t* out) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  if (out) *out = now.tv_sec;
  return now.tv_sec;
}

int gettimeofday(struct timeval* restrict now, void* restrict zone) {
  (void)zone;
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  now->tv_sec = ts.tv_sec;
  now->tv_usec = ts.tv_nsec / 1000;
  return 0;
}
