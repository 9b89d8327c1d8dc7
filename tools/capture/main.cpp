// kestra-capture: a video application over our DirectShow layer. It lists the video input
// devices, lists a device's formats, and grabs samples from a device through a filter graph
// (device filter -> CaptureSinkFilter), printing each sample's times and writing the samples
// and a PNG snapshot of the last one.
//
// Exit status: 0 on success, 1 on any failure (with a message on stderr), 2 for a usage error.
#include "capturedevice.h"
#include "capturesink.h"
#include "snapshotwriter.h"

#include "runtime/filtergraph.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace capture;

constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr double kMaxTimeoutSeconds = 24 * 3600;

struct GrabOptions {
    std::string device;
    std::optional<int> format;
    int count = 30;
    std::optional<std::filesystem::path> out;
    bool raw = true;
    double timeoutSeconds = 10;
};

int Fail(const std::string &message) {
    std::fprintf(stderr, "kestra-capture: %s\n", message.c_str());
    return kFailure;
}

int Usage() {
    std::fputs("usage: kestra-capture list\n"
               "       kestra-capture formats <device>\n"
               "       kestra-capture grab <device> [--format N] [--count N] [--out DIR]\n"
               "                           [--timeout S] [--no-raw]\n",
               stderr);
    return kUsage;
}

template <class T> bool ParseNumber(std::string_view text, T *value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseGrabOptions(const std::vector<std::string_view> &args, GrabOptions *options) {
    if (args.empty())
        return false;
    options->device = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string_view option = args[i];
        if (option == "--no-raw") {
            options->raw = false;
            continue;
        }
        if (i + 1 == args.size())
            return false;
        const std::string_view value = args[++i];
        bool valid = false;
        if (option == "--format") {
            int index = 0;
            valid = ParseNumber(value, &index);
            options->format = index;
        } else if (option == "--count") {
            valid = ParseNumber(value, &options->count) && options->count > 0;
        } else if (option == "--out") {
            options->out = std::filesystem::path(value);
            valid = !value.empty();
        } else if (option == "--timeout") {
            valid = ParseNumber(value, &options->timeoutSeconds) && options->timeoutSeconds > 0 &&
                    options->timeoutSeconds <= kMaxTimeoutSeconds;
        }
        if (!valid)
            return false;
    }
    return true;
}

// COM for the lifetime of a command.
class ComScope {
public:
    ComScope() : m_hr(CoInitialize(nullptr)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    ComScope(const ComScope &) = delete;
    ComScope &operator=(const ComScope &) = delete;
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

int ListCommand() {
    std::vector<std::string> names;
    const HRESULT hr = ListVideoDevices(&names);
    if (FAILED(hr))
        return Fail("cannot enumerate the video input devices: " + HresultText(hr));
    for (const std::string &name : names)
        std::printf("%s\n", name.c_str());
    return 0;
}

int OpenOrFail(const std::string &name, OpenedDevice *device) {
    const HRESULT hr = OpenVideoDevice(name, device);
    if (hr == VFW_E_NOT_FOUND)
        return Fail("device not found: \"" + name + "\"");
    if (FAILED(hr))
        return Fail("cannot open \"" + name + "\": " + HresultText(hr));
    return 0;
}

int FormatsCommand(const std::string &name) {
    OpenedDevice device;
    if (const int status = OpenOrFail(name, &device))
        return status;
    std::vector<Capability> capabilities;
    const HRESULT hr = ReadCapabilities(device.config.get(), &capabilities);
    if (FAILED(hr))
        return Fail("cannot read the formats of \"" + name + "\": " + HresultText(hr));
    for (size_t i = 0; i < capabilities.size(); ++i) {
        const auto format = DescribeVideoFormat(capabilities[i].type);
        if (!format) {
            std::printf("%zu other\n", i);
            continue;
        }
        std::printf("%zu %s %dx%d %.2f %u\n", i, format->subtypeName.c_str(), format->width,
                    format->height, format->framesPerSecond(), format->imageSize);
    }
    return 0;
}

// Makes capability `index` the pin's current type; the pin is not connected yet, so this is
// the type the connection will carry.
int SelectFormat(const OpenedDevice &device, int index) {
    std::vector<Capability> capabilities;
    HRESULT hr = ReadCapabilities(device.config.get(), &capabilities);
    if (FAILED(hr))
        return Fail("cannot read the formats: " + HresultText(hr));
    if (index < 0 || static_cast<size_t>(index) >= capabilities.size())
        return Fail("no such format: " + std::to_string(index) + " (the device has " +
                    std::to_string(capabilities.size()) + ")");
    hr = device.config->SetFormat(&capabilities[static_cast<size_t>(index)].type);
    if (FAILED(hr))
        return Fail("SetFormat failed: " + HresultText(hr));
    return 0;
}

int CurrentFormat(const OpenedDevice &device, CMediaType *type) {
    AM_MEDIA_TYPE *current = nullptr;
    const HRESULT hr = device.config->GetFormat(&current);
    if (FAILED(hr) || !current)
        return Fail("GetFormat failed: " + HresultText(hr));
    *type = *current;
    DeleteMediaType(current);
    return 0;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void PrintSamples(const std::vector<CapturedSample> &samples,
                  std::chrono::steady_clock::time_point runStart) {
    const auto time = [](const std::optional<REFERENCE_TIME> &t) {
        return t ? std::to_string(*t) : std::string("none");
    };
    double maxGap = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const CapturedSample &s = samples[i];
        std::printf("sample %zu arrival_ms=%.3f start=%s stop=%s sync=%d bytes=%d\n", i,
                    Milliseconds(s.arrival - runStart), time(s.start).c_str(), time(s.stop).c_str(),
                    s.syncPoint ? 1 : 0, static_cast<int>(s.actualLength));
        if (i > 0)
            maxGap = std::max(maxGap, Milliseconds(s.arrival - samples[i - 1].arrival));
    }
    const double span =
        samples.size() > 1 ? Milliseconds(samples.back().arrival - samples.front().arrival) : 0;
    const double fps = span > 0 ? (samples.size() - 1) * 1000.0 / span : 0;
    std::printf("frames=%zu fps=%.1f max_gap_ms=%.1f\n", samples.size(), fps, maxGap);
}

int WriteOutputs(const std::vector<CapturedSample> &samples, const GrabOptions &options,
                 const VideoFormat &format) {
    const std::filesystem::path &dir = *options.out;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error)
        return Fail("cannot create " + dir.string() + ": " + error.message());
    for (size_t i = 0; options.raw && i < samples.size(); ++i) {
        const std::filesystem::path file = dir / ("sample-" + std::to_string(i) + ".raw");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(samples[i].bytes.data()),
                  static_cast<std::streamsize>(samples[i].bytes.size()));
        if (!out.flush())
            return Fail("cannot write " + file.string());
    }
    const std::vector<uint8_t> &last = samples.back().bytes;
    std::string why;
    if (!WritePngSnapshot(dir / "snapshot.png", last.data(), last.size(), format.fourcc,
                          format.width, format.height, &why))
        return Fail("no snapshot: " + why);
    return 0;
}

int GrabCommand(const GrabOptions &options) {
    OpenedDevice device;
    if (const int status = OpenOrFail(options.device, &device))
        return status;
    if (options.format) {
        if (const int status = SelectFormat(device, *options.format))
            return status;
    }
    CMediaType type;
    if (const int status = CurrentFormat(device, &type))
        return status;
    const std::optional<VideoFormat> format = DescribeVideoFormat(type);
    if (!format)
        return Fail("the device's current type is not a video type with a VIDEOINFOHEADER");

    const auto keep = !options.out  ? SampleRecorder::Keep::None
                      : options.raw ? SampleRecorder::Keep::All
                                    : SampleRecorder::Keep::Last;
    // Declared before the graph: the sink uses it until the graph lets the filters go.
    SampleRecorder recorder(static_cast<size_t>(options.count), keep);
    HRESULT hr = S_OK;
    ComRef<IBaseFilter> sink =
        ComRef<IBaseFilter>::Adopt(CaptureSinkFilter::Create(type, &recorder, &hr));
    if (!sink)
        return Fail("cannot create the sink filter: " + HresultText(hr));
    ComRef<IPin> sinkPin;
    hr = sink->FindPin(OLESTR("In"), sinkPin.Out());
    if (FAILED(hr))
        return Fail("the sink filter has no input pin: " + HresultText(hr));

    ComRef<FilterGraph> graph;
    hr = FilterGraph::Create(graph.Out());
    if (FAILED(hr))
        return Fail("cannot create the filter graph: " + HresultText(hr));
    if (FAILED(hr = graph->AddFilter(device.filter.get(), OLESTR("Video Source"))) ||
        FAILED(hr = graph->AddFilter(sink.get(), OLESTR("Capture Sink"))))
        return Fail("cannot add the filters to the graph: " + HresultText(hr));
    hr = graph->ConnectDirect(device.pin.get(), sinkPin.get(), nullptr);
    if (FAILED(hr))
        return Fail("connect failed: " + HresultText(hr));
    graph->SetDefaultSyncSource();

    const auto runStart = std::chrono::steady_clock::now();
    hr = graph->Run();
    if (FAILED(hr))
        return Fail("run failed: " + HresultText(hr));
    const bool complete =
        recorder.WaitUntilComplete(std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::duration<double>(options.timeoutSeconds)));
    graph->Stop();
    if (!complete) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", options.timeoutSeconds);
        return Fail("timeout: " + std::to_string(recorder.Count()) + " of " +
                    std::to_string(options.count) + " samples after " + seconds + " s");
    }

    const std::vector<CapturedSample> samples = recorder.Take();
    PrintSamples(samples, runStart);
    std::fflush(stdout);
    return options.out ? WriteOutputs(samples, options, *format) : 0;
}

int Run(const std::vector<std::string_view> &args) {
    if (args.empty())
        return Usage();
    const std::string_view command = args[0];
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    if (command == "list" && rest.empty())
        return ListCommand();
    if (command == "formats" && rest.size() == 1)
        return FormatsCommand(std::string(rest[0]));
    GrabOptions options;
    if (command == "grab" && ParseGrabOptions(rest, &options))
        return GrabCommand(options);
    return Usage();
}

} // namespace

int main(int argc, char **argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    ComScope com;
    if (FAILED(com.result()))
        return Fail("CoInitialize failed: " + HresultText(com.result()));
    return Run(args);
}
