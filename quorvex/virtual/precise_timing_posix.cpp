#include <sys/prctl.h>

#include "virtual/precise_timing.h"

namespace qvx {

// Linux lets each thread's timed waits run late by its timer slack (50 us by default); 1 ns keeps them on time.
PreciseTiming::PreciseTiming() {
    const int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    previous_ = slack > 0 ? static_cast<unsigned long>(slack) : 0;
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
}

PreciseTiming::~PreciseTiming() {
    if (previous_ != 0) (void)prctl(PR_SET_TIMERSLACK, previous_, 0, 0, 0);
}

}  // namespace qvx
