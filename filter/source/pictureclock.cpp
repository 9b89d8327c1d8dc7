#include "pictureclock.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace Kestra {

namespace {

constexpr AVRational kReferenceTimeBase{1, 10'000'000};
constexpr int64_t kLargestStep = 10'000'000; // one second

// A camera's time stamps are outside input: any value may come, and the sums with the anchor
// must not overflow.
bool Add(int64_t a, int64_t b, int64_t &sum) {
    if ((b > 0 && a > INT64_MAX - b) || (b < 0 && a < INT64_MIN - b))
        return false;
    sum = a + b;
    return true;
}

bool Subtract(int64_t a, int64_t b, int64_t &difference) {
    if ((b < 0 && a > INT64_MAX + b) || (b > 0 && a < INT64_MIN + b))
        return false;
    difference = a - b;
    return true;
}

} // namespace

int64_t PictureClock::StopTime(int64_t pts, AVRational timeBase, int64_t start, int64_t frameTime) {
    const int64_t step = frameTime > 0 ? frameTime : 1;
    if (pts == AV_NOPTS_VALUE || timeBase.num <= 0 || timeBase.den <= 0) {
        offset_.reset();
        return start + step;
    }
    const int64_t time = av_rescale_q(pts, timeBase, kReferenceTimeBase);
    int64_t stop = 0;
    if (offset_ && Add(time, *offset_, stop) && stop > start && stop - start <= kLargestStep)
        return stop;
    int64_t offset = 0;
    if (Subtract(start + step, time, offset))
        offset_ = offset;
    else
        offset_.reset();
    return start + step;
}

} // namespace Kestra
