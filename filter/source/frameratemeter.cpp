#include "frameratemeter.h"

#include "config/vclog.h"

namespace Kestra {

void FrameRateMeter::Count(uint64_t nowMs) {
    if (!secondStart_)
        secondStart_ = nowMs;
    if (nowMs - *secondStart_ >= 1000) {
        if (pictures_ >= 35 || pictures_ <= 20)
            VCLogTo(slot_, 10, "current video fps = %d.\n", pictures_);
        pictures_ = 0;
        secondStart_ = nowMs;
    }
    ++pictures_;
}

} // namespace Kestra
