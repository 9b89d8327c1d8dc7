// The DirectShow programming interface for Linux: identifiers, structures with their
// documented layouts, and the interfaces with their methods in the documented order. The
// same sources build against the Windows SDK's dshow.h; dshow/runtime serves this one.
#pragma once

#include <windows.h>

// Media types and formats.
DEFINE_GUID(MEDIATYPE_Video, 0x73646976, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
            0x71);
DEFINE_GUID(MEDIATYPE_Audio, 0x73647561, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
            0x71);
DEFINE_GUID(MEDIASUBTYPE_YUY2, 0x32595559, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
            0x71);
DEFINE_GUID(MEDIASUBTYPE_NV12, 0x3231564E, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B,
            0x71);
DEFINE_GUID(MEDIASUBTYPE_RGB24, 0xE436EB7D, 0x524F, 0x11CE, 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B,
            0xA7, 0x70);
DEFINE_GUID(MEDIASUBTYPE_RGB32, 0xE436EB7E, 0x524F, 0x11CE, 0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B,
            0xA7, 0x70);
DEFINE_GUID(MEDIASUBTYPE_ARGB32, 0x773C9AC0, 0x3274, 0x11D0, 0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C,
            0x1A, 0x01);
DEFINE_GUID(FORMAT_VideoInfo, 0x05589F80, 0xC356, 0x11CE, 0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59,
            0x5A);
DEFINE_GUID(FORMAT_VideoInfo2, 0xF72A76A0, 0xEB0A, 0x11D0, 0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16,
            0xBA);
DEFINE_GUID(FORMAT_None, 0x0F6417D6, 0xC318, 0x11D0, 0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31,
            0x96);

// Classes, categories and property sets.
DEFINE_GUID(CLSID_FilterMapper2, 0xCDA42200, 0xBD88, 0x11D0, 0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11,
            0xCE, 0x86);
DEFINE_GUID(CLSID_VideoInputDeviceCategory, 0x860BB310, 0x5D01, 0x11D0, 0xBD, 0x3B, 0x00, 0xA0,
            0xC9, 0x11, 0xCE, 0x86);
DEFINE_GUID(CLSID_LegacyAmFilterCategory, 0x083863F1, 0x70DE, 0x11D0, 0xBD, 0x40, 0x00, 0xA0, 0xC9,
            0x11, 0xCE, 0x86);
DEFINE_GUID(AMPROPSETID_Pin, 0x9B00F101, 0x1567, 0x11D1, 0xB3, 0xF1, 0x00, 0xAA, 0x00, 0x37, 0x61,
            0xC5);
DEFINE_GUID(PIN_CATEGORY_CAPTURE, 0xFB6C4281, 0x0353, 0x11D1, 0x90, 0x5F, 0x00, 0x00, 0xC0, 0xCC,
            0x16, 0xBA);

// Interfaces.
DEFINE_GUID(IID_IMediaFilter, 0x56A86899, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IBaseFilter, 0x56A86895, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IReferenceClock, 0x56A86897, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
            0xA7, 0x70);
DEFINE_GUID(IID_IPin, 0x56A86891, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IEnumPins, 0x56A86892, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IEnumFilters, 0x56A86893, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IEnumMediaTypes, 0x89C31040, 0x846B, 0x11CE, 0x97, 0xD3, 0x00, 0xAA, 0x00, 0x55,
            0x59, 0x5A);
DEFINE_GUID(IID_IFilterGraph, 0x56A8689F, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IMediaSample, 0x56A8689A, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IMemAllocator, 0x56A8689C, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IMemInputPin, 0x56A8689D, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7,
            0x70);
DEFINE_GUID(IID_IQualityControl, 0x56A868A5, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B,
            0xA7, 0x70);
DEFINE_GUID(IID_IAMStreamConfig, 0xC6E13340, 0x30AC, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11,
            0x89, 0x56);
DEFINE_GUID(IID_IKsPropertySet, 0x31EFAC30, 0x515C, 0x11D0, 0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61,
            0xBE, 0x93);
DEFINE_GUID(IID_IAMovieSetup, 0xA3D8CEC0, 0x7E5A, 0x11CF, 0xBB, 0xC5, 0x00, 0x80, 0x5F, 0x6C, 0xEF,
            0x20);
DEFINE_GUID(IID_IFilterMapper2, 0xB79BB0B0, 0x33C1, 0x11D1, 0xAB, 0xE1, 0x00, 0xA0, 0xC9, 0x05,
            0xF3, 0x75);

// DirectShow HRESULT values.
#define VFW_E_INVALIDMEDIATYPE static_cast<HRESULT>(0x80040200)
#define VFW_E_NEED_OWNER static_cast<HRESULT>(0x80040202)
#define VFW_E_ENUM_OUT_OF_SYNC static_cast<HRESULT>(0x80040203)
#define VFW_E_ALREADY_CONNECTED static_cast<HRESULT>(0x80040204)
#define VFW_E_NO_ACCEPTABLE_TYPES static_cast<HRESULT>(0x80040207)
#define VFW_E_INVALID_DIRECTION static_cast<HRESULT>(0x80040208)
#define VFW_E_NOT_CONNECTED static_cast<HRESULT>(0x80040209)
#define VFW_E_NO_ALLOCATOR static_cast<HRESULT>(0x8004020A)
#define VFW_E_RUNTIME_ERROR static_cast<HRESULT>(0x8004020B)
#define VFW_E_BUFFER_OVERFLOW static_cast<HRESULT>(0x8004020D)
#define VFW_E_BADALIGN static_cast<HRESULT>(0x8004020E)
#define VFW_E_ALREADY_COMMITTED static_cast<HRESULT>(0x8004020F)
#define VFW_E_BUFFERS_OUTSTANDING static_cast<HRESULT>(0x80040210)
#define VFW_E_NOT_COMMITTED static_cast<HRESULT>(0x80040211)
#define VFW_E_SIZENOTSET static_cast<HRESULT>(0x80040212)
#define VFW_E_NOT_FOUND static_cast<HRESULT>(0x80040216)
#define VFW_E_CANNOT_CONNECT static_cast<HRESULT>(0x80040217)
#define VFW_E_NOT_STOPPED static_cast<HRESULT>(0x80040224)
#define VFW_E_NOT_PAUSED static_cast<HRESULT>(0x80040225)
#define VFW_E_NOT_RUNNING static_cast<HRESULT>(0x80040226)
#define VFW_E_WRONG_STATE static_cast<HRESULT>(0x80040227)
#define VFW_E_START_TIME_AFTER_END static_cast<HRESULT>(0x80040228)
#define VFW_E_TYPE_NOT_ACCEPTED static_cast<HRESULT>(0x8004022A)
#define VFW_E_TIMEOUT static_cast<HRESULT>(0x8004022E)
#define VFW_E_SAMPLE_TIME_NOT_SET static_cast<HRESULT>(0x80040249)
#define VFW_E_MEDIA_TIME_NOT_SET static_cast<HRESULT>(0x80040251)
#define VFW_E_NOT_IN_GRAPH static_cast<HRESULT>(0x8004025F)
#define VFW_S_NO_MORE_ITEMS static_cast<HRESULT>(0x00040103)
#define VFW_S_STATE_INTERMEDIATE static_cast<HRESULT>(0x00040237)
#define VFW_S_CANT_CUE static_cast<HRESULT>(0x00040268)
#define VFW_S_NO_STOP_TIME static_cast<HRESULT>(0x00040270)
#define E_PROP_ID_UNSUPPORTED static_cast<HRESULT>(0x80070490)
#define E_PROP_SET_UNSUPPORTED static_cast<HRESULT>(0x80070492)

#define AMPROPERTY_PIN_CATEGORY 0
#define KSPROPERTY_SUPPORT_GET 1
#define KSPROPERTY_SUPPORT_SET 2
#define MERIT_DO_NOT_USE 0x00200000
#define MERIT_NORMAL 0x00600000
#define MAX_PIN_NAME 128
#define MAX_FILTER_NAME 128
#define AM_GBF_PREVFRAMESKIPPED 1
#define AM_GBF_NOTASYNCPOINT 2
#define AM_GBF_NOWAIT 4

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
#define BI_RGB 0L

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown *pUnk;
    ULONG cbFormat;
    BYTE *pbFormat;
};

struct VIDEO_STREAM_CONFIG_CAPS {
    GUID guid;
    ULONG VideoStandard;
    SIZE InputSize;
    SIZE MinCroppingSize;
    SIZE MaxCroppingSize;
    int CropGranularityX;
    int CropGranularityY;
    int CropAlignX;
    int CropAlignY;
    SIZE MinOutputSize;
    SIZE MaxOutputSize;
    int OutputGranularityX;
    int OutputGranularityY;
    int StretchTapsX;
    int StretchTapsY;
    int ShrinkTapsX;
    int ShrinkTapsY;
    LONGLONG MinFrameInterval;
    LONGLONG MaxFrameInterval;
    LONG MinBitsPerSecond;
    LONG MaxBitsPerSecond;
};
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);

struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum QualityMessageType { Famine = 0, Flood = 1 };

struct IBaseFilter;
struct IFilterGraph;

struct PIN_INFO {
    IBaseFilter *pFilter;
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};
struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph *pGraph;
};
struct Quality {
    QualityMessageType Type;
    LONG Proportion;
    REFERENCE_TIME Late;
    REFERENCE_TIME TimeStamp;
};

struct REGPINTYPES {
    const CLSID *clsMajorType;
    const CLSID *clsMinorType;
};
struct REGFILTERPINS {
    LPWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID *clsConnectsToFilter;
    const WCHAR *strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES *lpMediaType;
};
struct REGPINMEDIUM {
    CLSID clsMedium;
    DWORD dw1;
    DWORD dw2;
};
struct REGFILTERPINS2 {
    DWORD dwFlags;
    UINT cInstances;
    UINT nMediaTypes;
    const REGPINTYPES *lpMediaType;
    UINT nMediums;
    const REGPINMEDIUM *lpMedium;
    const CLSID *clsPinCategory;
};
struct REGFILTER2 {
    DWORD dwVersion;
    DWORD dwMerit;
    union {
        struct {
            ULONG cPins;
            const REGFILTERPINS *rgPins;
        };
        struct {
            ULONG cPins2;
            const REGFILTERPINS2 *rgPins2;
        };
    };
};

using HEVENT = DWORD_PTR;
using HSEMAPHORE = DWORD_PTR;

struct IPin;
struct IEnumPins;
struct IEnumMediaTypes;
struct IEnumFilters;
struct IMediaSample;
struct IMemAllocator;
struct IMoniker;     // not provided: RegisterFilter accepts and ignores it
struct IEnumMoniker; // not provided: category enumeration is a runtime function here

struct IReferenceClock : IUnknown {
    STDMETHOD(GetTime)(REFERENCE_TIME *pTime) PURE;
    STDMETHOD(AdviseTime)
    (REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT hEvent,
     DWORD_PTR *pdwAdviseCookie) PURE;
    STDMETHOD(AdvisePeriodic)
    (REFERENCE_TIME startTime, REFERENCE_TIME periodTime, HSEMAPHORE hSemaphore,
     DWORD_PTR *pdwAdviseCookie) PURE;
    STDMETHOD(Unadvise)(DWORD_PTR dwAdviseCookie) PURE;
};

struct IMediaFilter : IPersist {
    STDMETHOD(Stop)() PURE;
    STDMETHOD(Pause)() PURE;
    STDMETHOD(Run)(REFERENCE_TIME tStart) PURE;
    STDMETHOD(GetState)(DWORD dwMilliSecsTimeout, FILTER_STATE *State) PURE;
    STDMETHOD(SetSyncSource)(IReferenceClock *pClock) PURE;
    STDMETHOD(GetSyncSource)(IReferenceClock **pClock) PURE;
};

struct IBaseFilter : IMediaFilter {
    STDMETHOD(EnumPins)(IEnumPins **ppEnum) PURE;
    STDMETHOD(FindPin)(LPCWSTR Id, IPin **ppPin) PURE;
    STDMETHOD(QueryFilterInfo)(FILTER_INFO *pInfo) PURE;
    STDMETHOD(JoinFilterGraph)(IFilterGraph *pGraph, LPCWSTR pName) PURE;
    STDMETHOD(QueryVendorInfo)(LPWSTR *pVendorInfo) PURE;
};

struct IPin : IUnknown {
    STDMETHOD(Connect)(IPin *pReceivePin, const AM_MEDIA_TYPE *pmt) PURE;
    STDMETHOD(ReceiveConnection)(IPin *pConnector, const AM_MEDIA_TYPE *pmt) PURE;
    STDMETHOD(Disconnect)() PURE;
    STDMETHOD(ConnectedTo)(IPin **pPin) PURE;
    STDMETHOD(ConnectionMediaType)(AM_MEDIA_TYPE *pmt) PURE;
    STDMETHOD(QueryPinInfo)(PIN_INFO *pInfo) PURE;
    STDMETHOD(QueryDirection)(PIN_DIRECTION *pPinDir) PURE;
    STDMETHOD(QueryId)(LPWSTR *Id) PURE;
    STDMETHOD(QueryAccept)(const AM_MEDIA_TYPE *pmt) PURE;
    STDMETHOD(EnumMediaTypes)(IEnumMediaTypes **ppEnum) PURE;
    STDMETHOD(QueryInternalConnections)(IPin **apPin, ULONG *nPin) PURE;
    STDMETHOD(EndOfStream)() PURE;
    STDMETHOD(BeginFlush)() PURE;
    STDMETHOD(EndFlush)() PURE;
    STDMETHOD(NewSegment)(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) PURE;
};

struct IEnumPins : IUnknown {
    STDMETHOD(Next)(ULONG cPins, IPin **ppPins, ULONG *pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cPins) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumPins **ppEnum) PURE;
};

struct IEnumMediaTypes : IUnknown {
    STDMETHOD(Next)(ULONG cMediaTypes, AM_MEDIA_TYPE **ppMediaTypes, ULONG *pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cMediaTypes) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumMediaTypes **ppEnum) PURE;
};

struct IFilterGraph : IUnknown {
    STDMETHOD(AddFilter)(IBaseFilter *pFilter, LPCWSTR pName) PURE;
    STDMETHOD(RemoveFilter)(IBaseFilter *pFilter) PURE;
    STDMETHOD(EnumFilters)(IEnumFilters **ppEnum) PURE;
    STDMETHOD(FindFilterByName)(LPCWSTR pName, IBaseFilter **ppFilter) PURE;
    STDMETHOD(ConnectDirect)(IPin *ppinOut, IPin *ppinIn, const AM_MEDIA_TYPE *pmt) PURE;
    STDMETHOD(Reconnect)(IPin *ppin) PURE;
    STDMETHOD(Disconnect)(IPin *ppin) PURE;
    STDMETHOD(SetDefaultSyncSource)() PURE;
};

struct IEnumFilters : IUnknown {
    STDMETHOD(Next)(ULONG cFilters, IBaseFilter **ppFilter, ULONG *pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cFilters) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumFilters **ppEnum) PURE;
};

struct IMediaSample : IUnknown {
    STDMETHOD(GetPointer)(BYTE **ppBuffer) PURE;
    STDMETHOD_(LONG, GetSize)() PURE;
    STDMETHOD(GetTime)(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) PURE;
    STDMETHOD(SetTime)(REFERENCE_TIME *pTimeStart, REFERENCE_TIME *pTimeEnd) PURE;
    STDMETHOD(IsSyncPoint)() PURE;
    STDMETHOD(SetSyncPoint)(BOOL bIsSyncPoint) PURE;
    STDMETHOD(IsPreroll)() PURE;
    STDMETHOD(SetPreroll)(BOOL bIsPreroll) PURE;
    STDMETHOD_(LONG, GetActualDataLength)() PURE;
    STDMETHOD(SetActualDataLength)(LONG length) PURE;
    STDMETHOD(GetMediaType)(AM_MEDIA_TYPE **ppMediaType) PURE;
    STDMETHOD(SetMediaType)(AM_MEDIA_TYPE *pMediaType) PURE;
    STDMETHOD(IsDiscontinuity)() PURE;
    STDMETHOD(SetDiscontinuity)(BOOL bDiscontinuity) PURE;
    STDMETHOD(GetMediaTime)(LONGLONG *pTimeStart, LONGLONG *pTimeEnd) PURE;
    STDMETHOD(SetMediaTime)(LONGLONG *pTimeStart, LONGLONG *pTimeEnd) PURE;
};

struct IMemAllocator : IUnknown {
    STDMETHOD(SetProperties)(ALLOCATOR_PROPERTIES *pRequest, ALLOCATOR_PROPERTIES *pActual) PURE;
    STDMETHOD(GetProperties)(ALLOCATOR_PROPERTIES *pProps) PURE;
    STDMETHOD(Commit)() PURE;
    STDMETHOD(Decommit)() PURE;
    STDMETHOD(GetBuffer)
    (IMediaSample **ppBuffer, REFERENCE_TIME *pStartTime, REFERENCE_TIME *pEndTime,
     DWORD dwFlags) PURE;
    STDMETHOD(ReleaseBuffer)(IMediaSample *pBuffer) PURE;
};

struct IMemInputPin : IUnknown {
    STDMETHOD(GetAllocator)(IMemAllocator **ppAllocator) PURE;
    STDMETHOD(NotifyAllocator)(IMemAllocator *pAllocator, BOOL bReadOnly) PURE;
    STDMETHOD(GetAllocatorRequirements)(ALLOCATOR_PROPERTIES *pProps) PURE;
    STDMETHOD(Receive)(IMediaSample *pSample) PURE;
    STDMETHOD(ReceiveMultiple)
    (IMediaSample **pSamples, LONG nSamples, LONG *nSamplesProcessed) PURE;
    STDMETHOD(ReceiveCanBlock)() PURE;
};

struct IQualityControl : IUnknown {
    STDMETHOD(Notify)(IBaseFilter *pSelf, Quality q) PURE;
    STDMETHOD(SetSink)(IQualityControl *piqc) PURE;
};

struct IAMStreamConfig : IUnknown {
    STDMETHOD(SetFormat)(AM_MEDIA_TYPE *pmt) PURE;
    STDMETHOD(GetFormat)(AM_MEDIA_TYPE **ppmt) PURE;
    STDMETHOD(GetNumberOfCapabilities)(int *piCount, int *piSize) PURE;
    STDMETHOD(GetStreamCaps)(int iIndex, AM_MEDIA_TYPE **ppmt, BYTE *pSCC) PURE;
};

struct IKsPropertySet : IUnknown {
    STDMETHOD(Set)
    (REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
     LPVOID pPropData, DWORD cbPropData) PURE;
    STDMETHOD(Get)
    (REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
     LPVOID pPropData, DWORD cbPropData, DWORD *pcbReturned) PURE;
    STDMETHOD(QuerySupported)(REFGUID guidPropSet, DWORD dwPropID, DWORD *pTypeSupport) PURE;
};

struct IAMovieSetup : IUnknown {
    STDMETHOD(Register)() PURE;
    STDMETHOD(Unregister)() PURE;
};

struct IFilterMapper2 : IUnknown {
    STDMETHOD(CreateCategory)
    (REFCLSID clsidCategory, DWORD dwCategoryMerit, LPCWSTR Description) PURE;
    STDMETHOD(UnregisterFilter)
    (const CLSID *pclsidCategory, LPCOLESTR szInstance, REFCLSID Filter) PURE;
    STDMETHOD(RegisterFilter)
    (REFCLSID clsidFilter, LPCWSTR Name, IMoniker **ppMoniker, const CLSID *pclsidCategory,
     LPCOLESTR szInstance, const REGFILTER2 *prf2) PURE;
    STDMETHOD(EnumMatchingFilters)
    (IEnumMoniker **ppEnum, DWORD dwFlags, BOOL bExactMatch, DWORD dwMerit, BOOL bInputNeeded,
     DWORD cInputTypes, const GUID *pInputTypes, const REGPINMEDIUM *pMedIn,
     const CLSID *pPinCategoryIn, BOOL bRender, BOOL bOutputNeeded, DWORD cOutputTypes,
     const GUID *pOutputTypes, const REGPINMEDIUM *pMedOut, const CLSID *pPinCategoryOut) PURE;
};
