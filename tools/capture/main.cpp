// kestra-capture: a video application over DirectShow (our runtime on Linux, the system's on
// Windows; the platform layer hides which). It lists the video input devices, lists a device's
// formats, and grabs samples from a device through a filter graph (device filter ->
// CaptureSinkFilter), printing each sample's times, CRC-32 and, for pictures from the camera
// simulator, the frame number and latency read off its stamp; it writes the samples and a PNG
// snapshot of the last one.
//
// Exit status: 0 on success, 1 on any failure (with a message on stderr), 2 for a usage error.
#include "capturedevice.h"
#include "capturegraph.h"
#include "capturesink.h"
#include "comsession.h"
#include "graboptions.h"
#include "pathtext.h"
#include "sampleanalysis.h"
#include "snapshotwriter.h"
#include "videodevices.h"
#include "widetext.h"

extern "C" {
#include <libavutil/log.h>
}

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace capture;

constexpr int kFailure = 1;
constexpr int kUsage = 2;

int Fail(const std::string &message) {
    std::fprintf(stderr, "kestra-capture: %s\n", message.c_str());
    return kFailure;
}

constexpr const char *kUsageText =
    "usage: kestra-capture list\n"
    "       kestra-capture formats <device>\n"
    "       kestra-capture grab <device> [--format N] [--count N | --count 0 --seconds S]\n"
    "                           [--out DIR] [--raw-every N] [--no-raw] [--live]\n"
    "                           [--timeout S] [--stop-at S [--stopped-for S]]\n";

// A usage error: what was wrong, then the usage.
int Usage(const std::string &why) {
    std::fprintf(stderr, "kestra-capture: %s\n%s", why.c_str(), kUsageText);
    return kUsage;
}

int Help() {
    std::printf(
        "%s\n"
        "  list                 the video input devices, one friendly name a line\n"
        "  formats <device>     the device's capabilities: index, subtype, size, frames a second,\n"
        "                       sample size\n"
        "  grab <device>        connects the device to a sink and prints a line per sample\n"
        "    --format N         the capability to set first (default: the current format)\n"
        "    --count N          stop after N samples (30); 0 runs for --seconds instead\n"
        "    --seconds S        how long to run with --count 0\n"
        "    --out DIR          write samples as sample-N.raw and the last one as snapshot.png\n"
        "    --raw-every N      with --out, write only every Nth sample raw\n"
        "    --no-raw           with --out, write only the snapshot\n"
        "    --live             print each sample line as it arrives\n"
        "    --timeout S        give up when no sample arrives for S seconds (10)\n"
        "    --stop-at S        stop the graph S seconds after it started, then run it again\n"
        "    --stopped-for S    how long it stays stopped (0)\n"
        "Exit status: 0 on success, 1 on a failure, 2 for a usage error.\n",
        kUsageText);
    return 0;
}

int ListCommand() {
    std::vector<std::string> names;
    const HRESULT hr = EnumerateVideoDevices(&names);
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

// What the grab does with each sample as the recorder's worker hands it over: its line at once
// with --live, its raw file with --out, and the bytes of the latest for the snapshot. Used on
// the worker thread until the recorder finishes, then read on the main thread.
class GrabOutput {
public:
    explicit GrabOutput(const GrabOptions &options) : m_options(options) {}

    // Before the graph runs, so before the first sample; the sample lines count from it.
    void Start() { m_runStart = std::chrono::steady_clock::now(); }
    std::chrono::steady_clock::time_point runStart() const { return m_runStart; }

    void Handle(const SampleFacts &facts, std::vector<uint8_t> *bytes) {
        if (m_options.live) {
            std::printf("%s\n", SampleLine(facts, m_runStart).c_str());
            std::fflush(stdout);
        }
        if (!m_options.out)
            return;
        if (m_options.raw && facts.index % static_cast<size_t>(m_options.rawEvery) == 0)
            WriteRaw(facts.index, *bytes);
        m_last.swap(*bytes);
    }

    const std::vector<uint8_t> &last() const { return m_last; }
    // The first write that failed, if any.
    const std::optional<std::string> &failure() const { return m_failure; }

private:
    void WriteRaw(size_t index, const std::vector<uint8_t> &bytes) {
        if (m_failure)
            return;
        const std::filesystem::path file =
            *m_options.out / ("sample-" + std::to_string(index) + ".raw");
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            m_failure = "cannot write " + PathText(file);
    }

    const GrabOptions &m_options;
    std::chrono::steady_clock::time_point m_runStart;
    std::vector<uint8_t> m_last;
    std::optional<std::string> m_failure;
};

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Stops the graph, waits, pauses it and runs it again; says when on stdout, on the sample
// lines' clock: when the stop returned and when the run was asked for.
HRESULT RestartGraph(CaptureGraph &graph, double stoppedSeconds,
                     std::chrono::steady_clock::time_point runStart) {
    HRESULT hr = graph.Stop();
    std::printf("graph stopped at_ms=%.1f\n", MsSince(runStart));
    std::fflush(stdout);
    if (FAILED(hr))
        return hr;
    std::this_thread::sleep_for(std::chrono::duration<double>(stoppedSeconds));
    // Taken before Run: its first sample may arrive before Run returns.
    const double runAtMs = MsSince(runStart);
    if (FAILED(hr = graph.Pause()) || FAILED(hr = graph.Run()))
        return hr;
    std::printf("graph running at_ms=%.1f\n", runAtMs);
    std::fflush(stdout);
    return S_OK;
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
    if (options.out) {
        std::error_code error;
        std::filesystem::create_directories(*options.out, error);
        if (error)
            return Fail("cannot create " + PathText(*options.out) + ": " + error.message());
    }

    GrabOutput output(options);
    // Declared before the graph: the sink uses it until the graph lets the filters go.
    // Printed at the end unless --live printed them already.
    const bool keepFacts = !options.live;
    SampleRecorder recorder(static_cast<size_t>(options.count), keepFacts,
                            {format->fourcc, format->width, format->height},
                            [&output](const SampleFacts &facts, std::vector<uint8_t> *bytes) {
                                output.Handle(facts, bytes);
                            });
    HRESULT hr = S_OK;
    ComRef<IBaseFilter> sink =
        ComRef<IBaseFilter>::Adopt(CaptureSinkFilter::Create(type, &recorder, &hr));
    if (!sink)
        return Fail("cannot create the sink filter: " + HresultText(hr));
    ComRef<IPin> sinkPin;
    hr = sink->FindPin(OLESTR("In"), sinkPin.Out());
    if (FAILED(hr))
        return Fail("the sink filter has no input pin: " + HresultText(hr));

    const std::unique_ptr<CaptureGraph> graph = CaptureGraph::Create(&hr);
    if (!graph)
        return Fail("cannot create the filter graph: " + HresultText(hr));
    if (FAILED(hr = graph->AddFilter(device.filter.get(), OLESTR("Video Source"))) ||
        FAILED(hr = graph->AddFilter(sink.get(), OLESTR("Capture Sink"))))
        return Fail("cannot add the filters to the graph: " + HresultText(hr));
    hr = graph->Connect(device.pin.get(), sinkPin.get(), nullptr);
    if (FAILED(hr))
        return Fail("connect failed: " + HresultText(hr));
    graph->UseDefaultClock();

    output.Start();
    hr = graph->Run();
    if (FAILED(hr))
        return Fail("run failed: " + HresultText(hr));
    bool complete = true;
    const auto seconds = [](double s) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::duration<double>(s));
    };
    if (options.stopAt) {
        std::this_thread::sleep_for(seconds(*options.stopAt));
        if (FAILED(hr = RestartGraph(*graph, options.stoppedFor, output.runStart())))
            return Fail("restart failed: " + HresultText(hr));
        std::this_thread::sleep_for(
            seconds(*options.seconds - *options.stopAt - options.stoppedFor));
    } else if (options.runsForSeconds()) {
        std::this_thread::sleep_for(seconds(*options.seconds));
    } else
        complete = recorder.WaitUntilComplete(seconds(options.timeoutSeconds));
    graph->Stop();
    recorder.Finish();
    if (!complete) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", options.timeoutSeconds);
        return Fail("timeout: " + std::to_string(recorder.Count()) + " of " +
                    std::to_string(options.count) + " samples after " + text + " s");
    }

    for (const SampleFacts &facts : recorder.Take())
        std::printf("%s\n", SampleLine(facts, output.runStart()).c_str());
    std::printf("%s\n", recorder.Summary().Line(output.runStart()).c_str());
    std::fflush(stdout);
    if (recorder.Count() == 0)
        return Fail("no samples");
    if (output.failure())
        return Fail(*output.failure());
    if (!options.out)
        return 0;
    std::string why;
    if (!WritePngSnapshot(*options.out / "snapshot.png", output.last().data(), output.last().size(),
                          format->fourcc, format->width, format->height, &why))
        return Fail("no snapshot: " + why);
    return 0;
}

int Run(const std::vector<std::string> &arguments) {
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    if (args.empty())
        return Usage("which command?");
    const std::string_view command = args[0];
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h")
        return Help();
    if (command == "list")
        return rest.empty() ? ListCommand() : Usage("list takes no arguments");
    if (command == "formats")
        return rest.size() == 1 ? FormatsCommand(std::string(rest[0]))
                                : Usage("formats takes one device name");
    if (command != "grab")
        return Usage("unknown command " + std::string(command));
    GrabOptions options;
    std::string why;
    if (!ParseGrabOptions(rest, &options, &why))
        return Usage(why);
    return GrabCommand(options);
}

} // namespace

int main(int argc, char **argv) {
    // FFmpeg's own console lines (a decoder complaining where a viewer joins the stream) would
    // mix with the sample lines; the filter's log keeps what matters. This is the host
    // application's choice to make, so the tool makes it for its own process only.
    av_log_set_level(AV_LOG_FATAL);
    const std::vector<std::string> args = CommandLineArguments(argc, argv);
    ComSession com;
    if (FAILED(com.result()))
        return Fail("CoInitialize failed: " + HresultText(com.result()));
    return Run(args);
}
