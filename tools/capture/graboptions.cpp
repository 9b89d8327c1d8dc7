#include "graboptions.h"
#include "pathtext.h"

#include <charconv>

namespace capture {

namespace {

constexpr double kMaxSeconds = 24 * 3600;

template <class T> bool ParseNumber(std::string_view text, T *value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseSeconds(std::string_view text, double *seconds) {
    return ParseNumber(text, seconds) && *seconds > 0 && *seconds <= kMaxSeconds;
}

} // namespace

bool ParseGrabOptions(const std::vector<std::string_view> &args, GrabOptions *options,
                      std::string *why) {
    const auto refuse = [why](std::string reason) {
        if (why)
            *why = std::move(reason);
        return false;
    };
    if (args.empty())
        return refuse("grab needs a device name");
    options->device = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string_view option = args[i];
        if (option == "--no-raw") {
            options->raw = false;
            continue;
        }
        if (option == "--live") {
            options->live = true;
            continue;
        }
        const bool known = option == "--format" || option == "--count" || option == "--seconds" ||
                           option == "--raw-every" || option == "--out" || option == "--timeout" ||
                           option == "--stop-at" || option == "--stopped-for";
        if (!known)
            return refuse("unknown option " + std::string(option));
        if (i + 1 == args.size())
            return refuse(std::string(option) + " needs a value");
        const std::string_view value = args[++i];
        bool valid = false;
        if (option == "--format") {
            int index = 0;
            valid = ParseNumber(value, &index);
            options->format = index;
        } else if (option == "--count") {
            valid = ParseNumber(value, &options->count) && options->count >= 0;
        } else if (option == "--seconds") {
            double seconds = 0;
            valid = ParseSeconds(value, &seconds);
            options->seconds = seconds;
        } else if (option == "--raw-every") {
            valid = ParseNumber(value, &options->rawEvery) && options->rawEvery >= 1;
        } else if (option == "--out") {
            options->out = PathFromText(value);
            valid = !value.empty();
        } else if (option == "--timeout") {
            valid = ParseSeconds(value, &options->timeoutSeconds);
        } else if (option == "--stop-at") {
            double seconds = 0;
            valid = ParseSeconds(value, &seconds);
            options->stopAt = seconds;
        } else {
            valid = ParseSeconds(value, &options->stoppedFor);
        }
        if (!valid)
            return refuse(std::string(option) + " " + std::string(value) + " is out of range");
    }
    if (options->runsForSeconds() != options->seconds.has_value())
        return refuse("--count 0 and --seconds go together");
    if (options->stoppedFor > 0 && !options->stopAt)
        return refuse("--stopped-for needs --stop-at");
    if (options->stopAt &&
        !(options->seconds && *options->stopAt + options->stoppedFor < *options->seconds))
        return refuse("--stop-at needs --seconds, and the stop must end before them");
    return true;
}

} // namespace capture
