#include "pictureclock.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace Kestra {

namespace {

constexpr AVRational kReferenceTimeBase{1, 10'000'000};
constexpr int64_t kLargestStep = 10'000'000; // one second

} // namespace

int64_t PictureClock::StopTime(int64_t pts, AVRational timeBase, int64_t start, int64_t frameTime) {
    const int64_t step = frameTime > 0 ? frameTime : 1;
    if (pts == AV_NOPTS_VALUE || timeBase.num <= 0 || timeBase.den <= 0) {
        offset_.reset();
        return start + step;
    }
    const int64_t time = av_rescale_q(pts, timeBase, kReferenceTimeBase);
    if (offset_) {
        const int64_t stop = time + *offset_;
        if (stop > start && stop - start <= kLargestStep)
            return stop;
    }
    offset_ = start + step - time;
    return start + step;
}

} // namespace Kestra
