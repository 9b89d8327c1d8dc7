// The DirectShow base classes, driven the way a graph drives them: a small source filter
// (CSource + CSourceStream counting its samples) connected straight to a small sink filter
// (CBaseFilter + CBaseInputPin recording what arrives), plus the media type, allocator, COM
// object and class factory pieces on their own. Every test ends with no object alive.
#include <streams.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr LONG kWidth = 64;
constexpr LONG kHeight = 48;
constexpr LONG kFrameBytes = kWidth * kHeight * 2;
constexpr LONG kBuffers = 3;
constexpr REFERENCE_TIME kFrameTime = 333333;
constexpr auto kDeadline = 5s;
constexpr GUID kSourceClsid{0x4b1e0a01, 0x1111, 0x4a4a, {0x80, 1, 2, 3, 4, 5, 6, 7}};
constexpr GUID kSinkClsid{0x4b1e0a02, 0x2222, 0x4a4a, {0x80, 1, 2, 3, 4, 5, 6, 7}};

template <class T> ULONG RefCount(T *object) {
    object->AddRef();
    return object->Release();
}

CMediaType Yuy2Type() {
    CMediaType mt;
    mt.SetType(&MEDIATYPE_Video);
    mt.SetSubtype(&MEDIASUBTYPE_YUY2);
    mt.SetFormatType(&FORMAT_VideoInfo);
    mt.SetSampleSize(kFrameBytes);
    auto *vih = reinterpret_cast<VIDEOINFOHEADER *>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    *vih = VIDEOINFOHEADER{};
    vih->AvgTimePerFrame = kFrameTime;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = kWidth;
    vih->bmiHeader.biHeight = kHeight;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = 16;
    vih->bmiHeader.biCompression = MEDIASUBTYPE_YUY2.Data1;
    vih->bmiHeader.biSizeImage = kFrameBytes;
    return mt;
}

// Releases its reference when the scope ends.
template <class T> class Held {
public:
    explicit Held(T *object) : m_object(object) {
        if (m_object != nullptr) {
            m_object->AddRef();
        }
    }
    ~Held() {
        if (m_object != nullptr) {
            m_object->Release();
        }
    }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;
    T *operator->() const { return m_object; }
    T *get() const { return m_object; }

private:
    T *m_object;
};

// ---- the source: one YUY2 pin whose samples carry their sequence number

class CountingStream : public CSourceStream {
public:
    CountingStream(HRESULT *phr, CSource *filter)
        : CSourceStream("CountingStream", phr, filter, OLESTR("Capture")) {}

    using CSourceStream::GetMediaType;
    HRESULT GetMediaType(CMediaType *pmt) override { return pmt->Set(Yuy2Type()); }

    HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *props) override {
        props->cBuffers = kBuffers;
        props->cbBuffer = kFrameBytes;
        props->cbAlign = 16;
        requested = *props;
        ALLOCATOR_PROPERTIES actual{};
        return allocator->SetProperties(props, &actual);
    }

    HRESULT FillBuffer(IMediaSample *sample) override {
        if (limit != 0 && next == limit) {
            return S_FALSE;
        }
        BYTE *data = nullptr;
        sample->GetPointer(&data);
        const uint32_t number = next++;
        std::memcpy(data, &number, sizeof(number));
        REFERENCE_TIME start = number * kFrameTime;
        REFERENCE_TIME stop = start + kFrameTime;
        sample->SetTime(&start, &stop);
        sample->SetActualDataLength(kFrameBytes);
        return S_OK;
    }

    bool StreamingThreadRunning() const { return ThreadExists(); }
    IMemAllocator *Allocator() const { return m_pAllocator; }

    ALLOCATOR_PROPERTIES requested{};
    std::atomic<uint32_t> next{0};
    uint32_t limit = 0; // 0: endless
};

class CountingSource : public CSource {
public:
    explicit CountingSource(HRESULT *phr)
        : CSource("CountingSource", nullptr, kSourceClsid, phr),
          m_stream(new CountingStream(phr, this)) {}

    CountingStream *Stream() const { return m_stream; }

private:
    CountingStream *m_stream; // deleted by CSource
};

// ---- the sink: records the sequence numbers it receives

class RecordingPin : public CBaseInputPin {
public:
    RecordingPin(CBaseFilter *filter, CCritSec *lock, HRESULT *phr)
        : CBaseInputPin("RecordingPin", filter, lock, phr, OLESTR("In")) {}

    HRESULT CheckMediaType(const CMediaType *pmt) override {
        return acceptVideo && IsEqualGUID(*pmt->Type(), MEDIATYPE_Video) ? S_OK : S_FALSE;
    }

    STDMETHODIMP Receive(IMediaSample *sample) override {
        ++receiveCalls;
        const HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) {
            return hr;
        }
        BYTE *data = nullptr;
        sample->GetPointer(&data);
        uint32_t number = 0;
        std::memcpy(&number, data, sizeof(number));
        std::lock_guard lock(m_mutex);
        received.push_back(number);
        if (holdSamples) {
            sample->AddRef();
            held.push_back(sample);
        }
        m_changed.notify_all();
        return S_OK;
    }

    STDMETHODIMP EndOfStream() override {
        std::lock_guard lock(m_mutex);
        endOfStream = true;
        m_changed.notify_all();
        return S_OK;
    }

    bool WaitFor(size_t samples) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kDeadline, [&] { return received.size() >= samples; });
    }
    bool WaitForEndOfStream() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kDeadline, [&] { return endOfStream; });
    }
    std::vector<uint32_t> Received() {
        std::lock_guard lock(m_mutex);
        return received;
    }
    void ReleaseHeld() {
        std::lock_guard lock(m_mutex);
        for (IMediaSample *sample : held) {
            sample->Release();
        }
        held.clear();
    }
    IMemAllocator *Allocator() const { return m_pAllocator; }

    bool acceptVideo = true;
    bool holdSamples = false;
    std::atomic<int> receiveCalls{0};

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<uint32_t> received;
    std::vector<IMediaSample *> held;
    bool endOfStream = false;
};

class RecordingSink : public CBaseFilter {
public:
    explicit RecordingSink(HRESULT *phr)
        : CBaseFilter("RecordingSink", nullptr, &m_lock, kSinkClsid, phr), pin(this, &m_lock, phr) {
    }

    int GetPinCount() override { return 1; }
    CBasePin *GetPin(int n) override { return n == 0 ? &pin : nullptr; }

private:
    CCritSec m_lock;

public:
    RecordingPin pin;
};

// Checks, once the fixture's own objects are gone, that nothing else is left alive.
class BaseClassesTest : public ::testing::Test {
protected:
    ~BaseClassesTest() override { EXPECT_EQ(CBaseObject::ObjectsActive(), 0); }
};

// A source and a sink, created like a graph would, and taken apart at the end.
class StreamingTest : public BaseClassesTest {
protected:
    void SetUp() override {
        ASSERT_EQ(hr, S_OK);
        ASSERT_EQ(source->GetPinCount(), 1);
    }
    void TearDown() override {
        source->Stop();
        sink->Stop();
        output()->Disconnect();
        input()->Disconnect();
        sink->pin.ReleaseHeld();
        EXPECT_EQ(RefCount(source.get()), 1u);
        EXPECT_EQ(RefCount(sink.get()), 1u);
    }
    IPin *output() const { return source->Stream(); }
    IPin *input() const { return &sink->pin; }
    HRESULT Connect() const { return output()->Connect(input(), nullptr); }

    HRESULT hr = S_OK;
    Held<CountingSource> source{new CountingSource(&hr)};
    Held<RecordingSink> sink{new RecordingSink(&hr)};
};

// ---- connection

TEST_F(StreamingTest, ConnectAgreesOnTheOfferedTypeOnBothSides) {
    ASSERT_EQ(Connect(), S_OK);
    const CMediaType expected = Yuy2Type();
    for (IPin *pin : {output(), input()}) {
        AM_MEDIA_TYPE mt{};
        ASSERT_EQ(pin->ConnectionMediaType(&mt), S_OK);
        EXPECT_TRUE(CMediaType(mt) == expected);
        FreeMediaType(mt);
    }
    IPin *peer = nullptr;
    ASSERT_EQ(output()->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, input());
    peer->Release();
}

TEST_F(StreamingTest, AllocatorHasTheSizesDecideBufferSizeAskedFor) {
    ASSERT_EQ(Connect(), S_OK);
    ALLOCATOR_PROPERTIES props{};
    ASSERT_EQ(source->Stream()->Allocator()->GetProperties(&props), S_OK);
    const ALLOCATOR_PROPERTIES &asked = source->Stream()->requested;
    EXPECT_EQ(props.cBuffers, asked.cBuffers);
    EXPECT_EQ(props.cbBuffer, asked.cbBuffer);
    EXPECT_EQ(props.cbAlign, asked.cbAlign);
    // The sink offered its allocator and was told which one was chosen.
    EXPECT_EQ(sink->pin.Allocator(), source->Stream()->Allocator());
}

TEST_F(StreamingTest, SinkRejectingEveryTypeGivesNoAcceptableTypesAndLeavesBothFree) {
    sink->pin.acceptVideo = false;
    EXPECT_EQ(Connect(), VFW_E_NO_ACCEPTABLE_TYPES);
    for (IPin *pin : {output(), input()}) {
        IPin *peer = input();
        EXPECT_EQ(pin->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(peer, nullptr);
        AM_MEDIA_TYPE mt;
        EXPECT_EQ(pin->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
        EXPECT_EQ(mt.pbFormat, nullptr);
    }
}

TEST_F(StreamingTest, ConnectRefusesTypesPinsAndStatesItCannotUse) {
    CMediaType other = Yuy2Type();
    other.SetSubtype(&MEDIASUBTYPE_NV12);
    EXPECT_EQ(output()->Connect(input(), &other), VFW_E_TYPE_NOT_ACCEPTED);

    HRESULT hr2 = S_OK;
    Held<CountingSource> second(new CountingSource(&hr2));
    EXPECT_EQ(output()->Connect(second->Stream(), nullptr), VFW_E_INVALID_DIRECTION);

    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(Connect(), VFW_E_ALREADY_CONNECTED);
    ASSERT_EQ(sink->Pause(), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
    EXPECT_EQ(output()->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_EQ(second->Stream()->Connect(input(), nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(StreamingTest, PartialTypeSelectsAmongTheOfferedTypes) {
    CMediaType partial;
    partial.SetType(&MEDIATYPE_Video);
    EXPECT_EQ(output()->Connect(input(), &partial), S_OK);
    output()->Disconnect();
    input()->Disconnect();
    partial.SetType(&MEDIATYPE_Audio);
    EXPECT_EQ(output()->Connect(input(), &partial), VFW_E_NO_ACCEPTABLE_TYPES);
}

TEST_F(StreamingTest, DisconnectReleasesThePeerAndIsRepeatable) {
    const ULONG sinkRefs = RefCount(sink.get());
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_GT(RefCount(sink.get()), sinkRefs);
    EXPECT_EQ(output()->Disconnect(), S_OK);
    EXPECT_EQ(output()->Disconnect(), S_FALSE);
    EXPECT_EQ(input()->Disconnect(), S_OK);
    EXPECT_EQ(RefCount(sink.get()), sinkRefs);
    EXPECT_EQ(Connect(), S_OK);
}

// ---- streaming

TEST_F(StreamingTest, PauseRunStopDeliversSamplesInOrderAndStopJoinsTheThread) {
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(sink->Pause(), S_OK);
    ASSERT_EQ(source->Pause(), S_OK);
    EXPECT_TRUE(source->Stream()->StreamingThreadRunning());
    ASSERT_EQ(sink->Run(0), S_OK);
    ASSERT_EQ(source->Run(0), S_OK);
    ASSERT_TRUE(sink->pin.WaitFor(20));

    ASSERT_EQ(source->Stop(), S_OK);
    ASSERT_EQ(sink->Stop(), S_OK);
    EXPECT_FALSE(source->Stream()->StreamingThreadRunning());
    const int callsAtStop = sink->pin.receiveCalls;
    const std::vector<uint32_t> received = sink->pin.Received();
    for (size_t i = 0; i < received.size(); ++i) {
        ASSERT_EQ(received[i], i);
    }
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(sink->pin.receiveCalls, callsAtStop);
}

TEST_F(StreamingTest, SecondRunAfterStopStreamsAgain) {
    ASSERT_EQ(Connect(), S_OK);
    for (int run = 1; run <= 2; ++run) {
        ASSERT_EQ(sink->Run(0), S_OK);
        ASSERT_EQ(source->Run(0), S_OK);
        ASSERT_TRUE(sink->pin.WaitFor(10 * static_cast<size_t>(run))) << "run " << run;
        ASSERT_EQ(sink->Stop(), S_OK);
        ASSERT_EQ(source->Stop(), S_OK);
    }
    FILTER_STATE state = State_Running;
    EXPECT_EQ(source->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(StreamingTest, StopReturnsWhileDownstreamHoldsEverySample) {
    sink->pin.holdSamples = true;
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(sink->Run(0), S_OK);
    ASSERT_EQ(source->Run(0), S_OK);
    // The thread now waits in GetBuffer for a sample the sink keeps.
    ASSERT_TRUE(sink->pin.WaitFor(kBuffers));
    auto stopped = std::async(std::launch::async, [&] { return source->Stop(); });
    ASSERT_EQ(stopped.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(stopped.get(), S_OK);
    EXPECT_EQ(sink->pin.Received().size(), static_cast<size_t>(kBuffers));
}

TEST_F(StreamingTest, FillBufferEndingTheStreamSendsEndOfStream) {
    source->Stream()->limit = 5;
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(sink->Run(0), S_OK);
    ASSERT_EQ(source->Run(0), S_OK);
    ASSERT_TRUE(sink->pin.WaitForEndOfStream());
    EXPECT_EQ(sink->pin.Received(), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
}

TEST_F(StreamingTest, StoppedSinkRefusesSamples) {
    ASSERT_EQ(Connect(), S_OK);
    IMemAllocator *allocator = source->Stream()->Allocator();
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(sink->pin.Receive(sample), VFW_E_WRONG_STATE);
    ASSERT_EQ(sink->Pause(), S_OK);
    ASSERT_EQ(sink->pin.BeginFlush(), S_OK);
    EXPECT_EQ(sink->pin.Receive(sample), S_FALSE);
    ASSERT_EQ(sink->pin.EndFlush(), S_OK);
    EXPECT_EQ(sink->pin.Receive(sample), S_OK);
    sample->Release();
    allocator->Decommit();
}

// ---- filter and pin information

TEST_F(StreamingTest, FilterListsAndFindsItsPins) {
    IEnumPins *pins = nullptr;
    ASSERT_EQ(source->EnumPins(&pins), S_OK);
    IPin *got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], output());
    got[0]->Release();
    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(2), S_FALSE);

    // A pin added after the enumerator was made puts it out of step until Reset.
    HRESULT hr2 = S_OK;
    auto *extra = new CountingStream(&hr2, source.get());
    EXPECT_EQ(pins->Next(1, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(2), S_OK);
    delete extra;
    pins->Release();

    IPin *found = nullptr;
    ASSERT_EQ(source->FindPin(OLESTR("Capture"), &found), S_OK);
    EXPECT_EQ(found, output());
    found->Release();
    EXPECT_EQ(source->FindPin(OLESTR("Nothing"), &found), VFW_E_NOT_FOUND);
    EXPECT_EQ(found, nullptr);
}

TEST_F(StreamingTest, InformationCallsHandOutReferencesAndCopies) {
    const ULONG refs = RefCount(source.get());
    PIN_INFO info{};
    ASSERT_EQ(output()->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter *>(source.get()));
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_EQ(std::char_traits<WCHAR>::compare(info.achName, OLESTR("Capture"), 8), 0);
    EXPECT_EQ(RefCount(source.get()), refs + 1);
    info.pFilter->Release();

    LPWSTR id = nullptr;
    ASSERT_EQ(output()->QueryId(&id), S_OK);
    EXPECT_EQ(std::char_traits<WCHAR>::compare(id, OLESTR("Capture"), 8), 0);
    CoTaskMemFree(id);

    FILTER_INFO filterInfo{};
    ASSERT_EQ(source->JoinFilterGraph(nullptr, OLESTR("Kestra Camera1")), S_OK);
    ASSERT_EQ(source->QueryFilterInfo(&filterInfo), S_OK);
    EXPECT_EQ(filterInfo.pGraph, nullptr);
    EXPECT_EQ(std::char_traits<WCHAR>::compare(filterInfo.achName, OLESTR("Kestra Camera1"), 15),
              0);

    CLSID clsid{};
    EXPECT_EQ(source->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, kSourceClsid));

    IEnumMediaTypes *types = nullptr;
    ASSERT_EQ(output()->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE *mt[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(types->Next(2, mt, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(CMediaType(*mt[0]) == Yuy2Type());
    DeleteMediaType(mt[0]);
    types->Release();
    const CMediaType yuy2 = Yuy2Type();
    EXPECT_EQ(output()->QueryAccept(&yuy2), S_OK);
    EXPECT_EQ(RefCount(source.get()), refs);
}

// ---- CMediaType and the media type functions

class MediaTypeTest : public BaseClassesTest {};

TEST_F(MediaTypeTest, CopyOwnsItsOwnFormatBlock) {
    const CMediaType original = Yuy2Type();
    CMediaType copy(original);
    ASSERT_NE(copy.Format(), original.Format());
    EXPECT_TRUE(copy == original);
    reinterpret_cast<VIDEOINFOHEADER *>(copy.Format())->bmiHeader.biWidth = 1;
    EXPECT_TRUE(copy != original);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER *>(original.Format())->bmiHeader.biWidth, kWidth);

    copy = original;
    EXPECT_TRUE(copy == original);
    const CMediaType &same = copy;
    copy = same;
    EXPECT_TRUE(copy == original);
}

TEST_F(MediaTypeTest, EqualityComparesGuidsAndFormatBytes) {
    const CMediaType base = Yuy2Type();
    CMediaType other = base;
    other.SetSubtype(&MEDIASUBTYPE_NV12);
    EXPECT_TRUE(other != base);
    other = base;
    other.ReallocFormatBuffer(sizeof(VIDEOINFOHEADER) + 4);
    EXPECT_TRUE(other != base);
    other.ReallocFormatBuffer(sizeof(VIDEOINFOHEADER));
    EXPECT_TRUE(other == base);
    other.ResetFormatBuffer();
    EXPECT_TRUE(other != base);
    EXPECT_TRUE(CMediaType() == CMediaType());
}

TEST_F(MediaTypeTest, FormatBufferIsReusedAtTheSameLength) {
    CMediaType mt;
    BYTE *first = mt.AllocFormatBuffer(16);
    ASSERT_NE(first, nullptr);
    std::memset(first, 0x5A, 16);
    EXPECT_EQ(mt.AllocFormatBuffer(16), first);
    BYTE *grown = mt.ReallocFormatBuffer(32);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(mt.FormatLength(), 32u);
    EXPECT_EQ(grown[15], 0x5A);
    BYTE bytes[3] = {1, 2, 3};
    ASSERT_TRUE(mt.SetFormat(bytes, sizeof(bytes)));
    EXPECT_EQ(mt.FormatLength(), 3u);
    EXPECT_EQ(mt.Format()[2], 3);
    mt.InitMediaType();
    EXPECT_EQ(mt.Format(), nullptr);
    EXPECT_FALSE(mt.IsValid());
    EXPECT_EQ(mt.GetSampleSize(), 1u);
    mt.SetVariableSize();
    EXPECT_EQ(mt.GetSampleSize(), 0u);
}

TEST_F(MediaTypeTest, PartialTypeMatchesOnTheFieldsItSets) {
    const CMediaType full = Yuy2Type();
    CMediaType partial;
    EXPECT_TRUE(partial.IsPartiallySpecified());
    EXPECT_TRUE(full.MatchesPartial(&partial));
    partial.SetType(&MEDIATYPE_Video);
    partial.SetSubtype(&MEDIASUBTYPE_YUY2);
    EXPECT_TRUE(full.MatchesPartial(&partial));
    partial.SetFormatType(&FORMAT_VideoInfo);
    EXPECT_FALSE(full.MatchesPartial(&partial)); // a format type brings its bytes along
    partial = full;
    EXPECT_FALSE(partial.IsPartiallySpecified());
    EXPECT_TRUE(full.MatchesPartial(&partial));
    partial.SetSubtype(&MEDIASUBTYPE_RGB24);
    EXPECT_FALSE(full.MatchesPartial(&partial));
}

// An IUnknown that only counts its references.
class CountedUnknown : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID, void **ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

TEST_F(MediaTypeTest, TaskMemoryCopiesHoldTheirOwnFormatAndUnknown) {
    CountedUnknown unknown;
    CMediaType mt = Yuy2Type();
    mt.pUnk = &unknown;
    unknown.AddRef();
    AM_MEDIA_TYPE *copy = CreateMediaType(&mt);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pbFormat, mt.pbFormat);
    EXPECT_EQ(std::memcmp(copy->pbFormat, mt.pbFormat, mt.cbFormat), 0);
    EXPECT_EQ(unknown.refs, 3u);

    AM_MEDIA_TYPE plain{};
    ASSERT_EQ(CopyMediaType(&plain, copy), S_OK);
    EXPECT_EQ(unknown.refs, 4u);
    FreeMediaType(plain);
    EXPECT_EQ(plain.pbFormat, nullptr);
    EXPECT_EQ(plain.cbFormat, 0u);
    DeleteMediaType(copy);
    EXPECT_EQ(unknown.refs, 2u);
    DeleteMediaType(nullptr);
    mt.InitMediaType();
    EXPECT_EQ(unknown.refs, 1u);
}

TEST_F(MediaTypeTest, FourccMapsToTheVideoSubtypeAndBack) {
    const FOURCCMap yuy2(MEDIASUBTYPE_YUY2.Data1);
    EXPECT_TRUE(IsEqualGUID(yuy2, MEDIASUBTYPE_YUY2));
    EXPECT_EQ(FOURCCMap(0x3231564E).GetFOURCC(), 0x3231564Eu);
    EXPECT_TRUE(IsEqualGUID(FOURCCMap(0x3231564E), MEDIASUBTYPE_NV12));
}

// ---- allocator and samples

class AllocatorTest : public BaseClassesTest {
protected:
    void SetUp() override { ASSERT_EQ(CreateMemAllocator(&allocator), S_OK); }
    void TearDown() override {
        allocator->Decommit();
        EXPECT_EQ(allocator->Release(), 0u);
    }
    HRESULT Configure(LONG buffers, LONG size, LONG align = 1, LONG prefix = 0) {
        ALLOCATOR_PROPERTIES request{buffers, size, align, prefix};
        ALLOCATOR_PROPERTIES actual{};
        return allocator->SetProperties(&request, &actual);
    }

    IMemAllocator *allocator = nullptr;
};

TEST_F(AllocatorTest, PropertiesAreCheckedAndFixedWhileCommitted) {
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
    EXPECT_EQ(Configure(2, 100, 3), VFW_E_BADALIGN);
    ASSERT_EQ(Configure(2, 100, 0), S_OK);
    ALLOCATOR_PROPERTIES props{};
    ASSERT_EQ(allocator->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cbAlign, 1);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(Configure(4, 100), VFW_E_ALREADY_COMMITTED);

    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(allocator->Decommit(), S_OK);
    EXPECT_EQ(Configure(4, 100), VFW_E_BUFFERS_OUTSTANDING);
    sample->Release();
    EXPECT_EQ(Configure(4, 100), S_OK);
}

TEST_F(AllocatorTest, BuffersHaveTheAskedSizeAlignmentAndPrefix) {
    ASSERT_EQ(Configure(3, 1000, 64, 8), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *samples[3] = {};
    for (IMediaSample *&sample : samples) {
        ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        BYTE *data = nullptr;
        ASSERT_EQ(sample->GetPointer(&data), S_OK);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % 64, 0u);
        EXPECT_EQ(sample->GetSize(), 1000);
        std::memset(data - 8, 0xEE, 1008); // prefix and buffer are ours to write (ASan)
    }
    IMediaSample *none = nullptr;
    EXPECT_EQ(allocator->GetBuffer(&none, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    for (IMediaSample *sample : samples) {
        sample->Release();
    }
}

TEST_F(AllocatorTest, GetBufferWaitsUntilASampleComesBack) {
    ASSERT_EQ(Configure(1, 64), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *first = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    IMediaSample *second = nullptr;
    auto waiter = std::async(std::launch::async,
                             [&] { return allocator->GetBuffer(&second, nullptr, nullptr, 0); });
    EXPECT_EQ(waiter.wait_for(50ms), std::future_status::timeout);
    first->Release();
    ASSERT_EQ(waiter.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(waiter.get(), S_OK);
    EXPECT_EQ(second, first); // the one buffer, back again
    second->Release();
}

TEST_F(AllocatorTest, DecommitWakesWaitersWithNotCommitted) {
    ASSERT_EQ(Configure(1, 64), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *first = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    IMediaSample *second = nullptr;
    auto waiter = std::async(std::launch::async,
                             [&] { return allocator->GetBuffer(&second, nullptr, nullptr, 0); });
    EXPECT_EQ(waiter.wait_for(50ms), std::future_status::timeout);
    ASSERT_EQ(allocator->Decommit(), S_OK);
    ASSERT_EQ(waiter.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(waiter.get(), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    first->Release();
}

TEST_F(AllocatorTest, OutstandingSampleKeepsItsAllocatorAlive) {
    ASSERT_EQ(Configure(2, 64), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    allocator->AddRef();
    EXPECT_EQ(allocator->Release(), 2u); // ours and the sample's
    allocator->Decommit();
    const LONG alive = CBaseObject::ObjectsActive();
    sample->Release(); // the pool goes with the last sample
    EXPECT_EQ(CBaseObject::ObjectsActive(), alive - 2);
}

TEST_F(AllocatorTest, SampleKeepsTimesLengthAndTypeUntilItGoesBack) {
    ASSERT_EQ(Configure(1, 64), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);

    REFERENCE_TIME start = 10;
    REFERENCE_TIME stop = 20;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    start = 10;
    ASSERT_EQ(sample->SetTime(&start, &stop), S_OK);
    REFERENCE_TIME gotStart = 0;
    REFERENCE_TIME gotStop = 0;
    EXPECT_EQ(sample->GetTime(&gotStart, &gotStop), S_OK);
    EXPECT_EQ(gotStop, 20);
    ASSERT_EQ(sample->SetTime(&start, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&gotStart, &gotStop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(gotStart, 10);
    ASSERT_EQ(sample->SetTime(nullptr, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&gotStart, &gotStop), VFW_E_SAMPLE_TIME_NOT_SET);

    EXPECT_EQ(sample->SetActualDataLength(65), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(40), S_OK);
    EXPECT_EQ(sample->GetActualDataLength(), 40);
    EXPECT_EQ(sample->SetSyncPoint(TRUE), S_OK);
    EXPECT_EQ(sample->IsSyncPoint(), S_OK);

    CMediaType type = Yuy2Type();
    ASSERT_EQ(sample->SetMediaType(&type), S_OK);
    AM_MEDIA_TYPE *got = nullptr;
    ASSERT_EQ(sample->GetMediaType(&got), S_OK);
    EXPECT_TRUE(CMediaType(*got) == type);
    DeleteMediaType(got);

    sample->Release();
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(sample->GetMediaType(&got), S_FALSE);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample->GetActualDataLength(), 64);
    EXPECT_EQ(sample->GetTime(&gotStart, &gotStop), VFW_E_SAMPLE_TIME_NOT_SET);
    sample->Release();
}

// ---- CUnknown and the class factory

// A COM object with one interface of its own.
class Widget : public CUnknown, public IPersist {
public:
    Widget(LPUNKNOWN outer, HRESULT *phr) : CUnknown("Widget", outer, phr) {}
    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void **ppv) override {
        if (IsEqualGUID(riid, IID_IPersist)) {
            return GetInterface(static_cast<IPersist *>(this), ppv);
        }
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }
    STDMETHODIMP GetClassID(CLSID *clsid) override {
        *clsid = kSourceClsid;
        return S_OK;
    }
};

class ComObjectTest : public BaseClassesTest {};

TEST_F(ComObjectTest, ObjectAnswersForItselfAndDeletesItselfAtZero) {
    auto *widget = new Widget(nullptr, nullptr);
    EXPECT_EQ(CBaseObject::ObjectsActive(), 1);
    IPersist *persist = nullptr;
    ASSERT_EQ(
        widget->NonDelegatingQueryInterface(IID_IPersist, reinterpret_cast<void **>(&persist)),
        S_OK);
    IUnknown *viaInterface = nullptr;
    IUnknown *direct = nullptr;
    ASSERT_EQ(persist->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&viaInterface)),
              S_OK);
    ASSERT_EQ(widget->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void **>(&direct)),
              S_OK);
    EXPECT_EQ(viaInterface, direct); // one identity
    void *none = persist;
    EXPECT_EQ(persist->QueryInterface(IID_IPin, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    direct->Release();
    viaInterface->Release();
    EXPECT_EQ(persist->Release(), 0u);
}

TEST_F(ComObjectTest, AggregatedObjectDelegatesToItsOwner) {
    CountedUnknown outer;
    auto *widget = new Widget(&outer, nullptr);
    EXPECT_EQ(widget->GetOwner(), &outer);
    IUnknown *inner = nullptr;
    ASSERT_EQ(widget->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void **>(&inner)),
              S_OK);
    EXPECT_EQ(outer.refs, 1u); // the inner unknown counts on its own
    IPersist *persist = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IPersist, reinterpret_cast<void **>(&persist)), S_OK);
    EXPECT_EQ(outer.refs, 2u); // interfaces count on the owner
    // Their QueryInterface goes to the owner too, who knows nothing of IPersist here.
    void *viaOwner = nullptr;
    EXPECT_EQ(persist->QueryInterface(IID_IPersist, &viaOwner), E_NOINTERFACE);
    persist->Release();
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(inner->Release(), 0u);
}

HRESULT g_createResult = S_OK;
bool g_returnObject = true;
int g_creations = 0;

CUnknown *CreateWidget(LPUNKNOWN outer, HRESULT *phr) {
    ++g_creations;
    *phr = g_createResult;
    return g_returnObject ? new Widget(outer, phr) : nullptr;
}

const CFactoryTemplate kWidgetTemplate{OLESTR("Widget"), &kSourceClsid, CreateWidget, nullptr,
                                       nullptr};

class ClassFactoryTest : public BaseClassesTest {
protected:
    void SetUp() override {
        g_createResult = S_OK;
        g_returnObject = true;
        g_creations = 0;
        factory->AddRef();
    }
    void TearDown() override { EXPECT_EQ(factory->Release(), 0u); }
    HRESULT Create(IUnknown *outer, REFIID riid, void **ppv) {
        return factory->CreateInstance(outer, riid, ppv);
    }

    CClassFactory *factory = new CClassFactory(&kWidgetTemplate);
};

TEST_F(ClassFactoryTest, CreatesTheObjectWithOneReferenceForTheCaller) {
    EXPECT_TRUE(kWidgetTemplate.IsClassID(kSourceClsid));
    IPersist *persist = nullptr;
    ASSERT_EQ(Create(nullptr, IID_IPersist, reinterpret_cast<void **>(&persist)), S_OK);
    EXPECT_EQ(persist->Release(), 0u);

    void *pin = &pin;
    EXPECT_EQ(Create(nullptr, IID_IPin, &pin), E_NOINTERFACE);
    EXPECT_EQ(pin, nullptr);
    EXPECT_EQ(CBaseObject::ObjectsActive(), 1); // only the factory
    EXPECT_EQ(Create(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ClassFactoryTest, AggregationOnlyThroughIUnknown) {
    CountedUnknown outer;
    void *object = &object;
    EXPECT_EQ(Create(&outer, IID_IPersist, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(g_creations, 0);

    IUnknown *inner = nullptr;
    ASSERT_EQ(Create(&outer, IID_IUnknown, reinterpret_cast<void **>(&inner)), S_OK);
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(inner->Release(), 0u);
}

TEST_F(ClassFactoryTest, CreationFailuresComeBackAsTheirCodes) {
    void *object = nullptr;
    g_returnObject = false;
    g_createResult = E_ACCESSDENIED;
    EXPECT_EQ(Create(nullptr, IID_IUnknown, &object), E_ACCESSDENIED);
    g_createResult = S_OK; // out of memory: nothing, and nothing said
    EXPECT_EQ(Create(nullptr, IID_IUnknown, &object), E_OUTOFMEMORY);
    g_returnObject = true;
    g_createResult = E_FAIL; // made, then failed: deleted
    EXPECT_EQ(Create(nullptr, IID_IUnknown, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CBaseObject::ObjectsActive(), 1);
}

TEST_F(ClassFactoryTest, LockServerCountsAcrossFactories) {
    const LONG before = CClassFactory::ServerLocks();
    IClassFactory *other = nullptr;
    ASSERT_EQ(factory->QueryInterface(IID_IClassFactory, reinterpret_cast<void **>(&other)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(other->LockServer(TRUE), S_OK);
    EXPECT_EQ(CClassFactory::ServerLocks(), before + 2);
    factory->LockServer(FALSE);
    other->LockServer(FALSE);
    EXPECT_EQ(CClassFactory::ServerLocks(), before);
    other->Release();
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

} // namespace
