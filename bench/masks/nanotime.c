/* KVB-NANOTIME: the monotonic clock in nanoseconds, for the COBOL side of
 * the mask benchmark (FUNCTION CURRENT-DATE only has hundredths). */
#include <stdint.h>
#include <time.h>

int KVB_NANOTIME(int64_t *ns) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  *ns = (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
  return 0;
}
