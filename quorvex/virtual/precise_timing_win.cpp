#include <windows.h>
#include <timeapi.h>

#include "virtual/precise_timing.h"

namespace qvx {

// Windows wakes sleeping threads on its timer tick (15.6 ms by default); 1 ms while the keyboard runs.
PreciseTiming::PreciseTiming() { previous_ = timeBeginPeriod(1) == TIMERR_NOERROR ? 1 : 0; }

PreciseTiming::~PreciseTiming() {
    if (previous_ != 0) timeEndPeriod(1);
}

}  // namespace qvx
