// Media types: CMediaType is an AM_MEDIA_TYPE that owns its format block (task memory, so
// that it can be handed across COM boundaries as is) and its pUnk reference, and frees both
// when it goes; the free functions do the same for plain AM_MEDIA_TYPE structures.
// FOURCCMap turns a four-character code into its subtype GUID and back.
//
// Threads: values without locks; whoever owns a CMediaType guards it (a pin's m_mt is
// guarded by the pin's lock).
#pragma once

#include <windows.h>

#include <dshow.h>

class CMediaType : public AM_MEDIA_TYPE {
public:
    // An empty type: no major type, fixed-size samples of size 1, no format.
    CMediaType();
    // Copies, format block included; on failure the copy has no format block and *phr is
    // E_OUTOFMEMORY.
    CMediaType(const CMediaType &rt);
    explicit CMediaType(const AM_MEDIA_TYPE &rt, HRESULT *phr = nullptr);
    ~CMediaType();

    CMediaType &operator=(const CMediaType &rt);
    CMediaType &operator=(const AM_MEDIA_TYPE &rt);
    // Equal when major type, subtype, format type and format bytes are.
    bool operator==(const CMediaType &rt) const;
    bool operator!=(const CMediaType &rt) const { return !(*this == rt); }

    // Replaces this type with a copy of rt: S_OK, or E_OUTOFMEMORY (then no format block).
    HRESULT Set(const CMediaType &rt);
    HRESULT Set(const AM_MEDIA_TYPE &rt);

    // A major type is set.
    BOOL IsValid() const;
    const GUID *Type() const { return &majortype; }
    const GUID *Subtype() const { return &subtype; }
    const GUID *FormatType() const { return &formattype; }
    BYTE *Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }

    void SetType(const GUID *ptype) { majortype = *ptype; }
    void SetSubtype(const GUID *ptype) { subtype = *ptype; }
    void SetFormatType(const GUID *pformattype) { formattype = *pformattype; }
    void SetTemporalCompression(BOOL bCompressed) { bTemporalCompression = bCompressed; }
    // A size of 0 means variable-size samples.
    void SetSampleSize(ULONG sz);
    void SetVariableSize() { bFixedSizeSamples = FALSE; }
    // 0 for variable-size samples.
    ULONG GetSampleSize() const;
    BOOL IsFixedSize() const { return bFixedSizeSamples; }
    BOOL IsTemporalCompressed() const { return bTemporalCompression; }

    // Copies length bytes into a new format block; FALSE when it cannot be allocated.
    BOOL SetFormat(BYTE *pFormat, ULONG length);
    // A format block of length bytes (the current one when it has that length already, its
    // contents then kept); null when it cannot be allocated, the old block then unchanged.
    BYTE *AllocFormatBuffer(ULONG length);
    // Resizes the format block keeping the leading bytes; null on failure as above.
    BYTE *ReallocFormatBuffer(ULONG length);
    void ResetFormatBuffer();
    // Frees the format block and pUnk and returns to the empty type of the constructor.
    void InitMediaType();

    // Either GUID left null, nothing to match exactly.
    BOOL IsPartiallySpecified() const;
    // Every field that ppartial sets (non-null GUIDs; with a format type, the format bytes)
    // equals ours.
    BOOL MatchesPartial(const CMediaType *ppartial) const;
};

// A copy in task memory with its own format block, for handing out through interfaces; null
// when out of memory. Free with DeleteMediaType.
AM_MEDIA_TYPE *CreateMediaType(const AM_MEDIA_TYPE *pSrc);
// Frees the format block, pUnk and the structure itself (a CreateMediaType result or a type
// an enumerator returned).
void DeleteMediaType(AM_MEDIA_TYPE *pmt);
// Frees the format block and pUnk, leaving the structure without them.
void FreeMediaType(AM_MEDIA_TYPE &mt);
// Copies src over dst (not freeing what dst held) with a new format block and a reference on
// pUnk: S_OK, E_POINTER, or E_OUTOFMEMORY with dst left without format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE *pmtTarget, const AM_MEDIA_TYPE *pmtSource);

// The subtype GUID of a four-character code: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
class FOURCCMap : public GUID {
public:
    FOURCCMap();
    explicit FOURCCMap(DWORD fourcc);

    DWORD GetFOURCC() const { return Data1; }
    void SetFOURCC(DWORD fourcc);
};
