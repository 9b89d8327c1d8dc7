// The options of "kestra-capture grab" and their parser, kept apart from the tool's main so
// that the rules (which values are valid, which options go together) can be tested alone.
//
// Pure: called on the main thread, holds no state.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace capture {

struct GrabOptions {
    std::string device;
    std::optional<int> format;
    int count = 30;                // 0: run for `seconds` instead
    std::optional<double> seconds; // only with count 0
    std::optional<std::filesystem::path> out;
    bool raw = true;
    int rawEvery = 1;  // with out: write samples 0, N, 2N, ... raw
    bool live = false; // print each sample line as it arrives
    double timeoutSeconds = 10;
    // Only with `seconds`: stop the graph this long after it started running, keep it stopped
    // for stoppedFor, then pause and run it again, as an application closing and reopening
    // its preview does.
    std::optional<double> stopAt;
    double stoppedFor = 0;

    bool runsForSeconds() const { return count == 0; }
};

// args: the device name, then the options. False for anything malformed, out of range, or for
// --count 0 without --seconds, --seconds with another count, and a stop (--stop-at,
// --stopped-for) without --seconds or not ending before them.
// What was wrong, naming the argument, goes to *why when given.
bool ParseGrabOptions(const std::vector<std::string_view> &args, GrabOptions *options,
                      std::string *why = nullptr);

} // namespace capture
