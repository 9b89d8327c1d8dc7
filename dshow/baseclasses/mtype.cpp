#include "mtype.h"

#include <cstring>

namespace {

// The fields of an empty type; frees nothing.
void SetEmpty(AM_MEDIA_TYPE &mt) {
    mt = AM_MEDIA_TYPE{};
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = 1;
}

bool SameFormat(const AM_MEDIA_TYPE &a, const AM_MEDIA_TYPE &b) {
    if (a.cbFormat != b.cbFormat) {
        return false;
    }
    if (a.cbFormat == 0) {
        return true;
    }
    return a.pbFormat != nullptr && b.pbFormat != nullptr &&
           std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

} // namespace

CMediaType::CMediaType() : AM_MEDIA_TYPE() {
    SetEmpty(*this);
}

CMediaType::CMediaType(const CMediaType &rt) : CMediaType(static_cast<const AM_MEDIA_TYPE &>(rt)) {}

CMediaType::CMediaType(const AM_MEDIA_TYPE &rt, HRESULT *phr) : AM_MEDIA_TYPE() {
    const HRESULT hr = CopyMediaType(this, &rt);
    if (FAILED(hr) && phr != nullptr) {
        *phr = hr;
    }
}

CMediaType::~CMediaType() {
    FreeMediaType(*this);
}

CMediaType &CMediaType::operator=(const CMediaType &rt) {
    Set(rt);
    return *this;
}

CMediaType &CMediaType::operator=(const AM_MEDIA_TYPE &rt) {
    Set(rt);
    return *this;
}

bool CMediaType::operator==(const CMediaType &rt) const {
    return IsEqualGUID(majortype, rt.majortype) && IsEqualGUID(subtype, rt.subtype) &&
           IsEqualGUID(formattype, rt.formattype) && SameFormat(*this, rt);
}

HRESULT CMediaType::Set(const CMediaType &rt) {
    return Set(static_cast<const AM_MEDIA_TYPE &>(rt));
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE &rt) {
    if (&rt == this) {
        return S_OK;
    }
    FreeMediaType(*this);
    return CopyMediaType(this, &rt);
}

BOOL CMediaType::IsValid() const {
    return IsEqualGUID(majortype, GUID_NULL) ? FALSE : TRUE;
}

void CMediaType::SetSampleSize(ULONG sz) {
    if (sz == 0) {
        SetVariableSize();
        return;
    }
    bFixedSizeSamples = TRUE;
    lSampleSize = sz;
}

ULONG CMediaType::GetSampleSize() const {
    return IsFixedSize() ? lSampleSize : 0;
}

BOOL CMediaType::SetFormat(BYTE *pFormat, ULONG length) {
    if (length == 0) {
        ResetFormatBuffer();
        return TRUE;
    }
    BYTE *buffer = AllocFormatBuffer(length);
    if (buffer == nullptr) {
        return FALSE;
    }
    std::memcpy(buffer, pFormat, length);
    return TRUE;
}

BYTE *CMediaType::AllocFormatBuffer(ULONG length) {
    if (length == cbFormat && pbFormat != nullptr) {
        return pbFormat;
    }
    auto *buffer = static_cast<BYTE *>(CoTaskMemAlloc(length));
    if (buffer == nullptr) {
        return nullptr;
    }
    CoTaskMemFree(pbFormat);
    pbFormat = buffer;
    cbFormat = length;
    return buffer;
}

BYTE *CMediaType::ReallocFormatBuffer(ULONG length) {
    if (length == cbFormat && pbFormat != nullptr) {
        return pbFormat;
    }
    auto *buffer = static_cast<BYTE *>(CoTaskMemAlloc(length));
    if (buffer == nullptr) {
        return nullptr;
    }
    if (pbFormat != nullptr) {
        std::memcpy(buffer, pbFormat, cbFormat < length ? cbFormat : length);
        CoTaskMemFree(pbFormat);
    }
    pbFormat = buffer;
    cbFormat = length;
    return buffer;
}

void CMediaType::ResetFormatBuffer() {
    CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}

void CMediaType::InitMediaType() {
    FreeMediaType(*this);
    SetEmpty(*this);
}

BOOL CMediaType::IsPartiallySpecified() const {
    return IsEqualGUID(majortype, GUID_NULL) || IsEqualGUID(formattype, GUID_NULL) ? TRUE : FALSE;
}

BOOL CMediaType::MatchesPartial(const CMediaType *ppartial) const {
    if (!IsEqualGUID(ppartial->majortype, GUID_NULL) &&
        !IsEqualGUID(ppartial->majortype, majortype)) {
        return FALSE;
    }
    if (!IsEqualGUID(ppartial->subtype, GUID_NULL) && !IsEqualGUID(ppartial->subtype, subtype)) {
        return FALSE;
    }
    if (!IsEqualGUID(ppartial->formattype, GUID_NULL) &&
        (!IsEqualGUID(ppartial->formattype, formattype) || !SameFormat(*ppartial, *this))) {
        return FALSE;
    }
    return TRUE;
}

AM_MEDIA_TYPE *CreateMediaType(const AM_MEDIA_TYPE *pSrc) {
    auto *pmt = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (pmt == nullptr) {
        return nullptr;
    }
    if (FAILED(CopyMediaType(pmt, pSrc))) {
        CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}

void DeleteMediaType(AM_MEDIA_TYPE *pmt) {
    if (pmt == nullptr) {
        return;
    }
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

void FreeMediaType(AM_MEDIA_TYPE &mt) {
    CoTaskMemFree(mt.pbFormat);
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
    if (mt.pUnk != nullptr) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

HRESULT CopyMediaType(AM_MEDIA_TYPE *pmtTarget, const AM_MEDIA_TYPE *pmtSource) {
    if (pmtTarget == nullptr || pmtSource == nullptr) {
        return E_POINTER;
    }
    *pmtTarget = *pmtSource;
    if (pmtSource->cbFormat != 0 && pmtSource->pbFormat != nullptr) {
        pmtTarget->pbFormat = static_cast<BYTE *>(CoTaskMemAlloc(pmtSource->cbFormat));
        if (pmtTarget->pbFormat == nullptr) {
            pmtTarget->cbFormat = 0;
            pmtTarget->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(pmtTarget->pbFormat, pmtSource->pbFormat, pmtSource->cbFormat);
    } else {
        pmtTarget->pbFormat = nullptr;
        pmtTarget->cbFormat = 0;
    }
    if (pmtTarget->pUnk != nullptr) {
        pmtTarget->pUnk->AddRef();
    }
    return S_OK;
}

FOURCCMap::FOURCCMap() : FOURCCMap(0) {}

FOURCCMap::FOURCCMap(DWORD fourcc) : GUID() {
    SetFOURCC(fourcc);
}

void FOURCCMap::SetFOURCC(DWORD fourcc) {
    Data1 = fourcc;
    Data2 = 0x0000;
    Data3 = 0x0010;
    const BYTE tail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::memcpy(Data4, tail, sizeof(tail));
}
