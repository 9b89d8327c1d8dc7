// The virtual camera's filter and pin driven directly (the fake sample and allocator stand in
// for the downstream pin) and in a graph with kestra-capture's sink; the main-window stand-in
// plays KestraLive.
#include "capturesink.h"
#include "config/vclog.h"
#include "convert/placeholder.h"
#include "source/formatlist.h"
#include "source/frameratemeter.h"
#include "source/kestracamera.h"
#include "source/kestracameraids.h"
#include "source/kestracamerastream.h"
#include "source/pictureclock.h"
#include "support/fakemediasample.h"
#include "support/mainwindowstandin.h"
#include "support/tempconfigroot.h"
#include "vcam/messages.h"

#include "comref.h"
#include "runtime/filtergraph.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QDir>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>

using namespace Kestra;
using namespace std::chrono_literals;

namespace {

const VIDEOINFOHEADER &Vih(const AM_MEDIA_TYPE &type) {
    return *reinterpret_cast<const VIDEOINFOHEADER *>(type.pbFormat);
}

// A filter with the test's reference on it.
struct Camera {
    explicit Camera(int slot) : filter(new CKestraCamera(nullptr, &hr, slot)) {
        filter->NonDelegatingAddRef();
    }
    ~Camera() { filter->NonDelegatingRelease(); }
    CKestraCameraStream &pin() { return *dynamic_cast<CKestraCameraStream *>(filter->GetPin(0)); }

    HRESULT hr = S_OK;
    CKestraCamera *filter;
};

CMediaType VideoType(VideoFormatCode code, int32_t width, int32_t height, REFERENCE_TIME avg) {
    FormatList list;
    EXPECT_TRUE(list.AddVideoFormat(code, width, height, avg));
    return *list.At(0);
}

std::vector<VCamMessage> Posted(const MainWindowStandIn &window) {
    std::vector<VCamMessage> posted;
    for (const MainWindowStandIn::Message &m : window.messages())
        posted.push_back({m.message, m.wParam, m.lParam});
    return posted;
}

bool WaitForCount(const MainWindowStandIn &window, size_t count) {
    return window.waitFor([count](const auto &messages) { return messages.size() >= count; }, 5s);
}

class KestraCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        SetPlaceholderFolder(KESTRA_PLACEHOLDER_DIR);
    }

    std::string LogText(int slot) const {
        std::ifstream in(root.configRoot().toStdString() + "/log/vclog" + std::to_string(slot) +
                         ".log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void OpenLog(int slot) {
        ASSERT_TRUE(QDir().mkpath(root.configRoot() + "/log"));
        logHold.emplace(slot);
    }

    TempConfigRoot root;
    std::optional<SlotLogHold> logHold; // closed before the folder goes
};

// Hands out the picture it holds (as a new reference) and counts starts, plays and holds.
struct FakePictures : PictureSource {
    void Start() override { ++starts; }
    void Play() override { ++plays; }
    void Hold() override { ++holds; }
    int DecodeNextFrame(AVFrame *frame, int frameRateValue) override {
        lastRate = frameRateValue;
        return picture ? av_frame_ref(frame, picture) : -13200;
    }
    bool IsStreaming() const override { return streaming; }
    void WaitForPacket(std::chrono::steady_clock::time_point deadline) override {
        std::this_thread::sleep_until(deadline);
    }

    AVFrame *picture = nullptr;
    bool streaming = false;
    std::atomic<int> starts = 0;
    std::atomic<int> plays = 0;
    std::atomic<int> holds = 0;
    int lastRate = 0;
};

// The camera's pin connected to kestra-capture's sink, which counts what arrives.
struct SinkFor {
    explicit SinkFor(CKestraCameraStream &pin)
        : recorder(0, false, {}, [](const capture::SampleFacts &, std::vector<uint8_t> *) {}) {
        CMediaType type;
        EXPECT_EQ(pin.GetMediaType(0, &type), S_OK);
        HRESULT hr = S_OK;
        filter =
            ComRef<IBaseFilter>::Adopt(capture::CaptureSinkFilter::Create(type, &recorder, &hr));
        EXPECT_TRUE(filter);
        EXPECT_EQ(filter->FindPin(OLESTR("In"), input.Out()), S_OK);
    }

    capture::SampleRecorder recorder; // first: the sink uses it until it goes
    ComRef<IBaseFilter> filter;
    ComRef<IPin> input;
};

// The WM_VCAM_ACTIVE values posted for a slot, in order.
std::vector<int64_t> ActiveReports(const std::vector<MainWindowStandIn::Message> &messages,
                                   uint64_t slot) {
    std::vector<int64_t> reports;
    for (const MainWindowStandIn::Message &m : messages)
        if (m.message == WM_VCAM_ACTIVE && m.wParam == slot)
            reports.push_back(m.lParam);
    return reports;
}

// Waits until the slot's reports are exactly `expected`.
bool ReportsBecome(const MainWindowStandIn &window, uint64_t slot,
                   const std::vector<int64_t> &expected) {
    return window.waitFor([&](const auto &m) { return ActiveReports(m, slot) == expected; }, 5s);
}

uint8_t Luma(int x, int y) {
    return static_cast<uint8_t>(x * 3 + y * 7);
}
uint8_t Chroma(int x, int y) {
    return static_cast<uint8_t>(200 - x - y * 5);
}

// A sink whose input pin takes the types `accepts` allows. With lenientQuery its QueryAccept
// says yes to anything, as a pin may that refuses only when the connection is made.
class PickySink : public CBaseFilter {
public:
    PickySink()
        : CBaseFilter("PickySink", nullptr, &m_lock, GUID_NULL, nullptr), m_pin(this, &m_lock) {}

    int GetPinCount() override { return 1; }
    CBasePin *GetPin(int n) override { return n == 0 ? &m_pin : nullptr; }

    std::function<bool(const CMediaType &)> accepts = [](const CMediaType &) {
        return true;
    };
    bool lenientQuery = false;

private:
    class Pin : public CBaseInputPin {
    public:
        Pin(PickySink *sink, CCritSec *lock)
            : CBaseInputPin("PickySink pin", sink, lock, nullptr, OLESTR("In")), m_sink(sink) {}
        HRESULT CheckMediaType(const CMediaType *pmt) override {
            return m_sink->accepts(*pmt) ? S_OK : S_FALSE;
        }
        STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE *pmt) override {
            return m_sink->lenientQuery ? S_OK : CBaseInputPin::QueryAccept(pmt);
        }
        STDMETHODIMP Receive(IMediaSample *) override { return S_OK; }

    private:
        PickySink *const m_sink;
    };

    CCritSec m_lock;
    Pin m_pin;
};

CMediaType ConnectionType(IPin *pin) {
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(pin->ConnectionMediaType(&type), S_OK);
    CMediaType copy(type);
    FreeMediaType(type);
    return copy;
}

} // namespace

TEST(FormatList, ListsTwentyFourEntriesInTableOrderWithSizesAndBitRates) {
    FormatList list;
    ASSERT_TRUE(list.AddStandardFormats());
    ASSERT_EQ(list.Count(), 24);
    const int32_t sizes[][2] = {{1080, 1920}, {1920, 1080}, {2160, 3840}, {3840, 2160}};
    // Per group of four: NV12 then YUY2 at one size, then at the size turned by 90 degrees.
    const struct {
        int firstSize;
        REFERENCE_TIME avg;
    } groups[] = {{0, 333333}, {2, 333333}, {0, 400000}, {2, 400000}, {0, 166666}, {0, 200000}};
    for (int i = 0; i < 24; ++i) {
        const CMediaType &type = *list.At(i);
        const int32_t *size = sizes[groups[i / 4].firstSize + (i % 4) / 2];
        const bool yuy2 = i % 2 == 1;
        const VIDEOINFOHEADER &vih = Vih(type);
        EXPECT_EQ(type.subtype, yuy2 ? MEDIASUBTYPE_YUY2 : MEDIASUBTYPE_NV12) << i;
        EXPECT_EQ(vih.bmiHeader.biWidth, size[0]) << i;
        EXPECT_EQ(vih.bmiHeader.biHeight, size[1]) << i;
        EXPECT_EQ(vih.AvgTimePerFrame, groups[i / 4].avg) << i;
        EXPECT_EQ(vih.bmiHeader.biBitCount, yuy2 ? 16 : 12) << i;
        EXPECT_EQ(vih.bmiHeader.biPlanes, yuy2 ? 1 : 2) << i;
    }
    EXPECT_EQ(list.At(24), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);

    // Image size from bits per pixel; bit rate truncated per second before the x 8.
    const CMediaType &nv12 = *list.At(0);
    EXPECT_EQ(nv12.majortype, MEDIATYPE_Video);
    EXPECT_EQ(nv12.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(nv12.cbFormat, 88u);
    EXPECT_TRUE(nv12.bFixedSizeSamples);
    EXPECT_FALSE(nv12.bTemporalCompression);
    EXPECT_EQ(nv12.lSampleSize, 3110400u);
    EXPECT_EQ(Vih(nv12).bmiHeader.biSizeImage, 3110400u);
    EXPECT_EQ(Vih(nv12).bmiHeader.biCompression, MakeFourCC('N', 'V', '1', '2'));
    EXPECT_EQ(Vih(nv12).dwBitRate, 746496744u);
    const RECT full{0, 0, 1080, 1920};
    EXPECT_EQ(std::memcmp(&Vih(nv12).rcSource, &full, sizeof full), 0);
    EXPECT_EQ(std::memcmp(&Vih(nv12).rcTarget, &full, sizeof full), 0);

    EXPECT_EQ(Vih(*list.At(1)).bmiHeader.biSizeImage, 4147200u);
    EXPECT_EQ(Vih(*list.At(1)).dwBitRate, 995328992u);

    EXPECT_FALSE(list.AddVideoFormat(VideoFormatCode::NV12, 0, 1080, 333333));
    EXPECT_FALSE(list.AddVideoFormat(VideoFormatCode::NV12, 1920, 1080, 0));
    EXPECT_EQ(list.Count(), 24);
}

TEST_F(KestraCameraTest, FilterHasOneVideoPinAndReportsRowOneIdentifierForEverySlot) {
    const LONG objectsBefore = CBaseObject::ObjectsActive();
    for (int slot = 1; slot <= kCameraCount; ++slot) {
        Camera camera(slot);
        ASSERT_EQ(camera.hr, S_OK);
        CLSID clsid{};
        ASSERT_EQ(camera.filter->GetClassID(&clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_KestraCamera1) << slot;
        EXPECT_EQ(camera.filter->GetPinCount(), 1);

        for (const IID *iid : {&IID_IAMStreamConfig, &IID_IKsPropertySet}) {
            void *fromFilter = nullptr;
            void *fromPin = nullptr;
            ASSERT_EQ(camera.filter->QueryInterface(*iid, &fromFilter), S_OK);
            ASSERT_EQ(camera.pin().QueryInterface(*iid, &fromPin), S_OK);
            EXPECT_EQ(fromFilter, fromPin);
            static_cast<IUnknown *>(fromFilter)->Release();
            static_cast<IUnknown *>(fromPin)->Release();
        }
    }
    EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore);
}

TEST_F(KestraCameraTest, StreamConfigListsTwentyFourCapabilitiesAndBoundsTheIndex) {
    Camera camera(1);
    IAMStreamConfig &config = camera.pin();
    int count = 0, size = 0;
    ASSERT_EQ(config.GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, 24);
    EXPECT_EQ(size, 128);
    EXPECT_EQ(config.GetNumberOfCapabilities(nullptr, &size), E_POINTER);

    BYTE caps[sizeof(VIDEO_STREAM_CONFIG_CAPS) + 1];
    AM_MEDIA_TYPE *type = nullptr;
    EXPECT_EQ(config.GetStreamCaps(24, &type, caps), S_FALSE);
    EXPECT_EQ(config.GetStreamCaps(-1, &type, caps), E_INVALIDARG);
    EXPECT_EQ(config.GetStreamCaps(0, nullptr, caps), E_POINTER);
    EXPECT_EQ(config.GetStreamCaps(0, &type, nullptr), E_POINTER);
    EXPECT_EQ(type, nullptr);
    ASSERT_EQ(config.GetStreamCaps(23, &type, caps), S_OK);
    DeleteMediaType(type);

    // Entry 7: YUY2 3840x2160 at 30 frames/s, written to an unaligned buffer.
    ASSERT_EQ(config.GetStreamCaps(7, &type, caps + 1), S_OK);
    VIDEO_STREAM_CONFIG_CAPS c;
    std::memcpy(&c, caps + 1, sizeof c);
    EXPECT_EQ(c.guid, FORMAT_VideoInfo);
    EXPECT_EQ(c.VideoStandard, 0u);
    for (const SIZE &s :
         {c.InputSize, c.MinCroppingSize, c.MaxCroppingSize, c.MinOutputSize, c.MaxOutputSize}) {
        EXPECT_EQ(s.cx, 3840);
        EXPECT_EQ(s.cy, 2160);
    }
    EXPECT_EQ(c.CropGranularityX, 3840);
    EXPECT_EQ(c.CropGranularityY, 2160);
    EXPECT_EQ(c.CropAlignX | c.CropAlignY | c.OutputGranularityX | c.OutputGranularityY |
                  c.StretchTapsX | c.StretchTapsY | c.ShrinkTapsX | c.ShrinkTapsY,
              0);
    EXPECT_EQ(c.MinFrameInterval, 333333);
    EXPECT_EQ(c.MaxFrameInterval, 333333);
    EXPECT_EQ(static_cast<DWORD>(c.MinBitsPerSecond), 3981315976u);
    EXPECT_EQ(static_cast<DWORD>(c.MaxBitsPerSecond), 3981315976u);
    // The caller owns a copy with its own format block.
    FormatList list;
    ASSERT_TRUE(list.AddStandardFormats());
    EXPECT_TRUE(CMediaType(*type) == *list.At(7));
    EXPECT_NE(type->pbFormat, list.At(7)->pbFormat);
    DeleteMediaType(type);
}

TEST_F(KestraCameraTest, OffersOnlyItsCurrentTypeAndAcceptsItByteForByte) {
    Camera camera(1);
    CKestraCameraStream &pin = camera.pin();
    CMediaType current;
    ASSERT_EQ(pin.GetMediaType(0, &current), S_OK);
    EXPECT_EQ(pin.GetMediaType(1, &current), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(pin.GetMediaType(-1, &current), E_INVALIDARG);

    EXPECT_EQ(current.subtype, MEDIASUBTYPE_NV12);
    EXPECT_EQ(current.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(current.lSampleSize, 3110400u);
    const VIDEOINFOHEADER &vih = Vih(current);
    const RECT empty{};
    EXPECT_EQ(std::memcmp(&vih.rcSource, &empty, sizeof empty), 0);
    EXPECT_EQ(std::memcmp(&vih.rcTarget, &empty, sizeof empty), 0);
    EXPECT_EQ(vih.dwBitRate, 0u);
    EXPECT_EQ(vih.AvgTimePerFrame, 333333);
    EXPECT_EQ(vih.bmiHeader.biWidth, 1080);
    EXPECT_EQ(vih.bmiHeader.biHeight, 1920);
    EXPECT_EQ(vih.bmiHeader.biSizeImage, 3110400u);

    EXPECT_EQ(pin.CheckMediaType(&current), S_OK);
    for (ULONG i = 0; i < current.cbFormat; ++i) {
        CMediaType changed(current);
        changed.pbFormat[i] ^= 0x01;
        EXPECT_EQ(pin.CheckMediaType(&changed), E_INVALIDARG) << "byte " << i;
    }

    // SetFormat takes a listed type; from then on only that one is offered and accepted.
    IAMStreamConfig &config = pin;
    EXPECT_EQ(config.SetFormat(nullptr), S_OK);
    CMediaType chosen = VideoType(VideoFormatCode::YUY2, 1920, 1080, 400000);
    ASSERT_EQ(config.SetFormat(&chosen), S_OK);
    EXPECT_EQ(pin.CheckMediaType(&current), E_INVALIDARG);
    EXPECT_EQ(pin.CheckMediaType(&chosen), S_OK);
    CMediaType offered;
    ASSERT_EQ(pin.GetMediaType(0, &offered), S_OK);
    EXPECT_TRUE(offered == chosen);
    AM_MEDIA_TYPE *format = nullptr;
    ASSERT_EQ(config.GetFormat(&format), S_OK);
    EXPECT_TRUE(CMediaType(*format) == chosen);
    DeleteMediaType(format);
}

TEST_F(KestraCameraTest, SetMediaTypePostsResolutionAndFrameRateAndLogsTheLayout) {
    MainWindowStandIn window;
    ASSERT_TRUE(window.isOpen());
    OpenLog(2);
    Camera camera(2);
    CKestraCameraStream &pin = camera.pin();

    CMediaType uhd = VideoType(VideoFormatCode::NV12, 3840, 2160, 400000);
    ASSERT_EQ(pin.SetMediaType(&uhd), S_OK);
    CMediaType other = VideoType(VideoFormatCode::YUY2, 1280, 720, 333333);
    ASSERT_EQ(pin.SetMediaType(&other), S_OK);
    // No bitmap header: the stored size stays, and so does the resolution.
    CMediaType bare = VideoType(VideoFormatCode::I420, 1920, 1080, 166666);
    bare.SetFormatType(&FORMAT_None);
    ASSERT_EQ(pin.SetMediaType(&bare), S_OK);
    CMediaType shortBlock = VideoType(VideoFormatCode::NV12, 1920, 1080, 200000);
    shortBlock.cbFormat = 60;
    ASSERT_EQ(pin.SetMediaType(&shortBlock), S_OK);

    ASSERT_TRUE(WaitForCount(window, 5));
    const std::vector<VCamMessage> expected{{WM_VCAM_RESOLUTION, 2, 3},
                                            {WM_VCAM_FPS, 2, 25},
                                            {WM_VCAM_FPS, 2, 30},
                                            {WM_VCAM_FPS, 2, 30},
                                            {WM_VCAM_FPS, 2, 50}};
    EXPECT_EQ(Posted(window), expected);

    const std::string log = LogText(2);
    const char *lines[] = {
        "Kestra::CKestraCameraStream::SetMediaType\n pixelformat=23 width=3840 height=2160\n",
        "Kestra::CKestraCameraStream::SetMediaType\n pixelformat=108 width=1280 height=720\n",
        "Kestra::CKestraCameraStream::SetMediaType\n pixelformat=12 width=1280 height=720\n",
        "Kestra::CKestraCameraStream::SetMediaType\n pixelformat=23 width=1280 height=720\n"};
    size_t at = 0;
    for (const char *line : lines) {
        at = log.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
    }
}

// The documented contract: a type the pin does not list, a pin that is not stopped and a peer
// refusing the type all fail and leave the connection as it was; KestraLive hears only of
// types in effect.
TEST_F(KestraCameraTest, SetFormatChangesTheConnectionOnlyWhenItCanAndSaysSo) {
    MainWindowStandIn window;
    ASSERT_TRUE(window.isOpen());
    Camera camera(2);
    CKestraCameraStream &pin = camera.pin();
    IAMStreamConfig &config = pin;
    auto *sink = new PickySink();
    sink->NonDelegatingAddRef();
    FilterGraph *graph = nullptr;
    ASSERT_EQ(FilterGraph::Create(&graph), S_OK);
    ASSERT_EQ(graph->AddFilter(camera.filter, u"Camera"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink, u"Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&pin, sink->GetPin(0), nullptr), S_OK);
    CMediaType portrait = ConnectionType(&pin);

    CMediaType unlisted = VideoType(VideoFormatCode::YUY2, 1280, 720, 333333);
    EXPECT_EQ(config.SetFormat(&unlisted), VFW_E_INVALIDMEDIATYPE);
    CMediaType oddRate = VideoType(VideoFormatCode::YUY2, 1920, 1080, 333334);
    EXPECT_EQ(config.SetFormat(&oddRate), VFW_E_INVALIDMEDIATYPE);

    CMediaType landscape = VideoType(VideoFormatCode::YUY2, 1920, 1080, 400000);
    sink->accepts = [](const CMediaType &type) {
        return type.subtype == MEDIASUBTYPE_NV12;
    };
    EXPECT_EQ(config.SetFormat(&landscape), VFW_E_INVALIDMEDIATYPE);
    EXPECT_TRUE(ConnectionType(&pin) == portrait);
    sink->lenientQuery = true; // refuses only at the reconnection
    EXPECT_EQ(config.SetFormat(&landscape), VFW_E_INVALIDMEDIATYPE);
    ASSERT_TRUE(pin.IsConnected());
    EXPECT_TRUE(ConnectionType(&pin) == portrait);
    AM_MEDIA_TYPE *format = nullptr;
    ASSERT_EQ(config.GetFormat(&format), S_OK);
    EXPECT_TRUE(CMediaType(*format) == portrait);
    DeleteMediaType(format);

    sink->accepts = [](const CMediaType &) {
        return true;
    };
    ASSERT_EQ(config.SetFormat(&landscape), S_OK);
    EXPECT_TRUE(ConnectionType(&pin) == landscape);
    // Connected, restored after the refusal, reconnected with the new type.
    ASSERT_TRUE(WaitForCount(window, 6));
    const std::vector<VCamMessage> expected{{WM_VCAM_RESOLUTION, 2, 2}, {WM_VCAM_FPS, 2, 30},
                                            {WM_VCAM_RESOLUTION, 2, 2}, {WM_VCAM_FPS, 2, 30},
                                            {WM_VCAM_RESOLUTION, 2, 1}, {WM_VCAM_FPS, 2, 25}};
    EXPECT_EQ(Posted(window), expected);

    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(config.SetFormat(&portrait), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(ConnectionType(&pin) == landscape);
    ASSERT_EQ(config.GetFormat(&format), S_OK);
    EXPECT_TRUE(CMediaType(*format) == landscape);
    DeleteMediaType(format);
    ASSERT_EQ(graph->Stop(), S_OK);
    graph->Release();
    sink->NonDelegatingRelease();
}

TEST_F(KestraCameraTest, DecideBufferSizeAsksForOneSampleOfTheImageSize) {
    Camera camera(1);
    CKestraCameraStream &pin = camera.pin();
    ALLOCATOR_PROPERTIES request{};
    FakeAllocator allocator;
    EXPECT_EQ(pin.DecideBufferSize(nullptr, &request), E_POINTER);
    EXPECT_EQ(pin.DecideBufferSize(&allocator, nullptr), E_POINTER);

    ASSERT_EQ(pin.DecideBufferSize(&allocator, &request), S_OK);
    EXPECT_EQ(allocator.requested->cBuffers, 1);
    EXPECT_EQ(allocator.requested->cbBuffer, 3110400);

    // An application's type may leave the image size 0: the layout's size is asked for.
    CMediaType unsized = VideoType(VideoFormatCode::YUY2, 1920, 1080, 333333);
    BITMAPINFOHEADER &header = reinterpret_cast<VIDEOINFOHEADER *>(unsized.pbFormat)->bmiHeader;
    header.biHeight = -1080; // top-down
    header.biSizeImage = 0;
    ASSERT_EQ(camera.pin().SetFormat(&unsized), S_OK);
    ASSERT_EQ(pin.DecideBufferSize(&allocator, &request), S_OK);
    EXPECT_EQ(allocator.requested->cbBuffer, 1920 * 1080 * 2);

    allocator.grantedBufferSize = 1920 * 1080 * 2 - 1;
    EXPECT_EQ(pin.DecideBufferSize(&allocator, &request), E_FAIL);
    allocator.setPropertiesResult = VFW_E_BUFFERS_OUTSTANDING;
    EXPECT_EQ(pin.DecideBufferSize(&allocator, &request), VFW_E_BUFFERS_OUTSTANDING);
}

TEST_F(KestraCameraTest, PropertySetAnswersOnlyThePinCategory) {
    Camera camera(1);
    IKsPropertySet &props = camera.pin();
    GUID category{};
    DWORD returned = 0;
    auto get = [&](REFGUID set, DWORD id, GUID *data, DWORD size, DWORD *outSize) {
        return props.Get(set, id, nullptr, 0, data, size, outSize);
    };
    EXPECT_EQ(get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &returned), S_OK);
    EXPECT_EQ(returned, 16u);
    EXPECT_EQ(get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &category, 15, &returned),
              E_UNEXPECTED);
    EXPECT_EQ(get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 16, nullptr), E_POINTER);
    EXPECT_EQ(get(PIN_CATEGORY_CAPTURE, AMPROPERTY_PIN_CATEGORY, &category, 16, &returned),
              E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(get(AMPROPSETID_Pin, 1, &category, 16, &returned), E_PROP_ID_UNSUPPORTED);
    ASSERT_EQ(get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &category, 16, nullptr), S_OK);
    EXPECT_EQ(category, PIN_CATEGORY_CAPTURE);

    DWORD support = 0;
    EXPECT_EQ(props.QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support), S_OK);
    EXPECT_EQ(support, static_cast<DWORD>(KSPROPERTY_SUPPORT_GET));
    EXPECT_EQ(props.QuerySupported(AMPROPSETID_Pin, 1, &support), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(props.QuerySupported(GUID_NULL, 0, &support), E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(props.Set(AMPROPSETID_Pin, 0, nullptr, 0, &category, 16), E_NOTIMPL);
}

TEST_F(KestraCameraTest, WithoutACameraStreamSamplesShowThePlaceholderAtContiguousTimes) {
    Camera camera(1);
    CKestraCameraStream &pin = camera.pin();
    PlaceholderFrame expected;
    ASSERT_TRUE(expected.PreparePlaceholder(false, VideoFormatCode::NV12, 1080, 1920));
    ASSERT_EQ(pin.OnThreadCreate(), S_OK);
    EXPECT_EQ(pin.FillBuffer(nullptr), E_POINTER);

    // One sample per frame time, as a camera delivers them.
    const auto first = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        FakeMediaSample sample(3110400);
        ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
        EXPECT_GE(std::chrono::steady_clock::now() - first, i * 33ms);
        EXPECT_EQ(sample.start(), i * 333333);
        EXPECT_EQ(sample.stop(), (i + 1) * 333333);
        EXPECT_TRUE(sample.isSyncPoint());
        EXPECT_EQ(sample.actualLength(), 3110400);
        ASSERT_EQ(expected.frameSize(), 3110400u);
        EXPECT_EQ(std::memcmp(sample.data(), expected.frame(), expected.frameSize()), 0);
    }

    // After a format change: the landscape picture in YUY2, never past a short sample.
    CMediaType yuy2 = VideoType(VideoFormatCode::YUY2, 1920, 1080, 400000);
    ASSERT_EQ(pin.SetMediaType(&yuy2), S_OK);
    ASSERT_TRUE(expected.PreparePlaceholder(true, VideoFormatCode::YUY2, 1920, 1080));
    FakeMediaSample sample(4147200);
    ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
    EXPECT_EQ(sample.start(), 3 * 333333);
    EXPECT_EQ(sample.stop(), 3 * 333333 + 400000);
    EXPECT_EQ(std::memcmp(sample.data(), expected.frame(), 4147200), 0);
    FakeMediaSample shortSample(1000);
    ASSERT_EQ(pin.FillBuffer(&shortSample), S_OK);
    EXPECT_TRUE(shortSample.guardIntact());
    EXPECT_EQ(shortSample.actualLength(), 1000);
    EXPECT_EQ(std::memcmp(shortSample.data(), expected.frame(), 1000), 0);

    // A new start of the streaming begins at time 0 again.
    ASSERT_EQ(pin.OnThreadCreate(), S_OK);
    ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
    EXPECT_EQ(sample.start(), 0);
}

TEST_F(KestraCameraTest, PicturesKeepTheCameraSpacingInSampleTimeAndAStallKeepsTheSample) {
    Camera camera(1);
    CKestraCameraStream &pin = camera.pin();
    auto owned = std::make_unique<FakePictures>();
    FakePictures &pictures = *owned;
    pin.SetPictureSource(std::move(owned));
    CMediaType type = VideoType(VideoFormatCode::NV12, 64, 32, 400000);
    ASSERT_EQ(pin.SetMediaType(&type), S_OK);
    ASSERT_EQ(pin.OnThreadCreate(), S_OK);
    EXPECT_EQ(pictures.starts, 1);

    AVFrame *frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_NV12;
    frame->width = 64;
    frame->height = 32;
    ASSERT_EQ(av_frame_get_buffer(frame, 0), 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            frame->data[0][y * frame->linesize[0] + x] = Luma(x, y);
            if (y < 16)
                frame->data[1][y * frame->linesize[1] + x] = Chroma(x, y);
        }
    // 90 kHz camera time: the first picture of a run follows the samples before it, the next
    // ones keep the camera's spacing (50 ms here) in 100 ns units.
    frame->time_base = AVRational{1, 90000};
    frame->pts = 123456789;
    pictures.picture = frame;
    pictures.streaming = true;

    FakeMediaSample sample(64 * 32 * 3 / 2);
    ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
    EXPECT_EQ(pictures.lastRate, 25);
    EXPECT_EQ(sample.start(), 0);
    EXPECT_EQ(sample.stop(), 400000);
    EXPECT_TRUE(sample.isSyncPoint());
    EXPECT_EQ(sample.actualLength(), 64 * 32 * 3 / 2);
    bool same = true;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            same = same && sample.data()[y * 64 + x] == Luma(x, y) &&
                   (y >= 16 || sample.data()[64 * 32 + y * 64 + x] == Chroma(x, y));
    EXPECT_TRUE(same);

    frame->pts += 4500;
    FakeMediaSample next(64 * 32 * 3 / 2);
    ASSERT_EQ(pin.FillBuffer(&next), S_OK);
    EXPECT_EQ(next.start(), 400000);
    EXPECT_EQ(next.stop(), 900000);

    // A jump back (a new connection) starts a new run instead of going back in time.
    frame->pts = 0;
    ASSERT_EQ(pin.FillBuffer(&next), S_OK);
    EXPECT_EQ(next.start(), 900000);
    EXPECT_EQ(next.stop(), 1300000);

    // Streaming but no picture ready: one and a half frame times later the sample goes out
    // with its content as it came and the next times, so the application's loop keeps turning.
    pictures.picture = nullptr;
    FakeMediaSample stalled(64 * 32 * 3 / 2);
    const auto waitStart = std::chrono::steady_clock::now();
    ASSERT_EQ(pin.FillBuffer(&stalled), S_OK);
    const auto waited = std::chrono::steady_clock::now() - waitStart;
    EXPECT_GE(waited, 50ms);
    EXPECT_LT(waited, 150ms);
    EXPECT_EQ(stalled.start(), 1300000);
    EXPECT_EQ(stalled.stop(), 1700000);
    EXPECT_EQ(stalled.bytes(), FakeMediaSample(64 * 32 * 3 / 2).bytes());

    // The stream closed: the placeholder continues from there.
    pictures.streaming = false;
    ASSERT_EQ(pin.FillBuffer(&stalled), S_OK);
    EXPECT_EQ(stalled.start(), 1700000);
    EXPECT_EQ(stalled.stop(), 1700000 + 400000);
    av_frame_free(&frame);
}

TEST_F(KestraCameraTest, APictureOfTheWrongSizeIsNotWrittenAndSaidOncePerRun) {
    OpenLog(1);
    Camera camera(1);
    CKestraCameraStream &pin = camera.pin();
    auto owned = std::make_unique<FakePictures>();
    FakePictures &pictures = *owned;
    pin.SetPictureSource(std::move(owned));
    CMediaType type = VideoType(VideoFormatCode::NV12, 64, 32, 400000);
    ASSERT_EQ(pin.SetMediaType(&type), S_OK);
    AVFrame *frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_NV12;
    frame->width = 32; // the camera sends another size than the one negotiated
    frame->height = 16;
    ASSERT_EQ(av_frame_get_buffer(frame, 0), 0);
    frame->time_base = AVRational{1, 90000};
    pictures.picture = frame;
    pictures.streaming = true;

    const auto mismatches = [this] {
        const std::string text = LogText(1);
        size_t count = 0;
        for (size_t at = text.find("does not fit"); at != std::string::npos;
             at = text.find("does not fit", at + 1))
            ++count;
        return count;
    };
    for (int i = 0; i < 3; ++i) {
        FakeMediaSample sample(64 * 32 * 3 / 2);
        ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
        frame->pts += 3600;
        EXPECT_EQ(sample.bytes(), FakeMediaSample(64 * 32 * 3 / 2).bytes());
    }
    EXPECT_EQ(mismatches(), 1u);
    EXPECT_NE(LogText(1).find("camera picture 32x16 does not fit the negotiated 64x32"),
              std::string::npos);

    // The placeholder in between starts a new run, which reports again.
    pictures.streaming = false;
    pictures.picture = nullptr;
    FakeMediaSample gap(64 * 32 * 3 / 2);
    ASSERT_EQ(pin.FillBuffer(&gap), S_OK);
    pictures.streaming = true;
    pictures.picture = frame;
    ASSERT_EQ(pin.FillBuffer(&gap), S_OK);
    EXPECT_EQ(mismatches(), 2u);
    av_frame_free(&frame);
}

TEST_F(KestraCameraTest, ThePictureRateIsLoggedOnlyOutsideTheNormalBand) {
    OpenLog(2);
    FrameRateMeter meter(2);
    const auto second = [&meter](uint64_t start, int pictures) {
        for (int i = 0; i < pictures; ++i)
            meter.Count(start + static_cast<uint64_t>(i) * 1000 / pictures);
    };
    second(0, 30);    // normal: nothing
    second(1000, 35); // the 30 of the first second are reported when this one starts
    second(2000, 20);
    second(3000, 21);
    meter.Count(4000);
    const std::string text = LogText(2);
    EXPECT_EQ(text.find("current video fps = 30."), std::string::npos);
    EXPECT_NE(text.find("current video fps = 35."), std::string::npos);
    EXPECT_NE(text.find("current video fps = 20."), std::string::npos);
    EXPECT_EQ(text.find("current video fps = 21."), std::string::npos);
}

TEST_F(KestraCameraTest, FillBufferReportsStatusAtMostEveryTwoSeconds) {
    MainWindowStandIn window;
    ASSERT_TRUE(window.isOpen());
    Camera camera(3);
    CKestraCameraStream &pin = camera.pin();
    FakeMediaSample sample(3110400);
    ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
    ASSERT_EQ(pin.FillBuffer(&sample), S_OK);
    // A marker: whatever the second sample posted would arrive before it.
    CMediaType current;
    ASSERT_EQ(pin.GetMediaType(0, &current), S_OK);
    ASSERT_EQ(pin.SetMediaType(&current), S_OK);

    ASSERT_TRUE(WaitForCount(window, 5));
    const std::vector<VCamMessage> expected{{WM_VCAM_ACTIVE, 3, 1},
                                            {WM_VCAM_RESOLUTION, 3, 1},
                                            {WM_VCAM_FPS, 3, 30},
                                            {WM_VCAM_RESOLUTION, 3, 2},
                                            {WM_VCAM_FPS, 3, 30}};
    EXPECT_EQ(Posted(window), expected);
}

// As applications drive it: a live source delivers nothing while paused and says so, delivers
// while running, and tells KestraLive once when its streaming stops, so that the slot is free
// again at once; a new run reports it active again.
TEST_F(KestraCameraTest, InAGraphTheCameraDeliversOnlyWhileRunningAndReportsWhenItStops) {
    MainWindowStandIn window;
    ASSERT_TRUE(window.isOpen());
    Camera camera(2);
    auto owned = std::make_unique<FakePictures>();
    FakePictures &pictures = *owned;
    camera.filter->SetPictureSource(std::move(owned));
    SinkFor sink(camera.pin());
    ComRef<FilterGraph> graph;
    ASSERT_EQ(FilterGraph::Create(graph.Out()), S_OK);
    ASSERT_EQ(graph->AddFilter(camera.filter, OLESTR("camera")), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.filter.get(), OLESTR("sink")), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&camera.pin(), sink.input.get(), nullptr), S_OK);
    const auto receivedMore = [&](size_t than) {
        for (int i = 0; i < 500 && sink.recorder.Count() <= than; ++i)
            std::this_thread::sleep_for(10ms);
        return sink.recorder.Count() > than;
    };

    ASSERT_EQ(graph->Pause(), S_OK);
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(camera.filter->GetState(0, &state), VFW_S_CANT_CUE);
    EXPECT_EQ(state, State_Paused);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(sink.recorder.Count(), 0u);
    EXPECT_EQ(pictures.starts, 1); // the receiver connects while paused...
    EXPECT_EQ(pictures.plays, 0);  // ...but keeps nothing

    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(camera.filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_TRUE(receivedMore(2));
    EXPECT_EQ(pictures.plays, 1);

    // At most the sample in flight arrives after the pause.
    ASSERT_EQ(graph->Pause(), S_OK);
    const size_t paused = sink.recorder.Count();
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(sink.recorder.Count(), paused + 1);
    EXPECT_EQ(pictures.holds, 1);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(receivedMore(paused + 1));
    EXPECT_EQ(pictures.plays, 2);

    ASSERT_EQ(graph->Stop(), S_OK);
    ASSERT_TRUE(ReportsBecome(window, 2, {1, 0}));
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(receivedMore(sink.recorder.Count()));
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_TRUE(ReportsBecome(window, 2, {1, 0, 1, 0}));
    // Stopped without having run: nothing was reported active, so nothing is taken back.
    ASSERT_EQ(graph->Pause(), S_OK);
    ASSERT_EQ(graph->Stop(), S_OK);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ActiveReports(window.messages(), 2), (std::vector<int64_t>{1, 0, 1, 0}));
}

// An application may let the camera go while it streams: the pin's streaming ends with the
// pin's own hooks (the slot reported free), not with the base class's on a half-gone pin.
TEST_F(KestraCameraTest, ACameraLetGoWhileStreamingEndsItsStreamingAsItself) {
    MainWindowStandIn window;
    ASSERT_TRUE(window.isOpen());
    auto camera = std::make_unique<Camera>(4);
    SinkFor sink(camera->pin());
    ASSERT_EQ(camera->pin().Connect(sink.input.get(), nullptr), S_OK);
    ASSERT_EQ(sink.filter->Pause(), S_OK);
    ASSERT_EQ(camera->filter->Run(0), S_OK);
    ASSERT_TRUE(ReportsBecome(window, 4, {1}));
    // The sink goes first, as a closing application's would; the camera is still running.
    ASSERT_EQ(sink.filter->Stop(), S_OK);
    ASSERT_EQ(sink.input->Disconnect(), S_OK);
    camera.reset();
    EXPECT_TRUE(ReportsBecome(window, 4, {1, 0}));
}

TEST(PictureClockTest, HostileTimeStampsStartNewRunsInsteadOfOverflowing) {
    PictureClock clock;
    constexpr AVRational kRtp{1, 90000};
    constexpr int64_t kFrame = 333'333;
    EXPECT_EQ(clock.StopTime(9000, kRtp, 0, kFrame), kFrame);
    // 1/30 s later in the camera's time: follows on the anchor.
    EXPECT_EQ(clock.StopTime(12000, kRtp, kFrame, kFrame), 2 * kFrame);
    for (const int64_t pts : {INT64_MAX, INT64_MIN + 1, int64_t{-1}, INT64_MAX / 2}) {
        const int64_t start = clock.StopTime(pts, kRtp, 2 * kFrame, kFrame) - kFrame;
        EXPECT_EQ(start, 2 * kFrame) << pts;
    }
}
