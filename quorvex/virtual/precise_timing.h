// Asks the system for precise wake-ups on the calling thread, so the modelled USB time per report
// (a millisecond or less) is kept rather than rounded up to the system's default timer granularity.
#pragma once

namespace qvx {

class PreciseTiming {
public:
    PreciseTiming();   // on the keyboard thread, when it starts
    ~PreciseTiming();  // when it ends
    PreciseTiming(const PreciseTiming&) = delete;
    PreciseTiming& operator=(const PreciseTiming&) = delete;

private:
    unsigned long previous_ = 0;
};

}  // namespace qvx
