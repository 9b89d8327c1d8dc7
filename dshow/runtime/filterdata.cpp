#include "filterdata.h"

#include "bytestream.h"

namespace {

constexpr uint32_t kMagic = 0x5444464B; // "KFDT" read as little-endian
constexpr uint32_t kFormatVersion = 1;
constexpr size_t kMaxPins = 64;
constexpr size_t kMaxMediaTypes = 256;
constexpr size_t kMaxMediums = 64;
constexpr size_t kMaxNameLength = MAX_PIN_NAME - 1;

GUID Or(const CLSID *guid) {
    return guid ? *guid : GUID_NULL;
}

HRESULT AddMediaTypes(UINT count, const REGPINTYPES *types, FilterPinData *pin) {
    if (count > kMaxMediaTypes)
        return E_INVALIDARG;
    if (count && !types)
        return E_POINTER;
    for (UINT i = 0; i < count; ++i)
        pin->mediaTypes.emplace_back(Or(types[i].clsMajorType), Or(types[i].clsMinorType));
    return S_OK;
}

HRESULT PinFromVersion1(const REGFILTERPINS &source, FilterPinData *pin) {
    pin->flags = (source.bZero ? FilterPinData::kPinZero : 0) |
                 (source.bRendered ? FilterPinData::kPinRenderer : 0) |
                 (source.bMany ? FilterPinData::kPinMany : 0) |
                 (source.bOutput ? FilterPinData::kPinOutput : 0);
    if (source.strName) {
        pin->name = source.strName;
        if (pin->name.size() > kMaxNameLength)
            return E_INVALIDARG;
    }
    return AddMediaTypes(source.nMediaTypes, source.lpMediaType, pin);
}

HRESULT PinFromVersion2(const REGFILTERPINS2 &source, FilterPinData *pin) {
    pin->flags = source.dwFlags;
    pin->instances = source.cInstances;
    pin->category = Or(source.clsPinCategory);
    if (source.nMediums > kMaxMediums)
        return E_INVALIDARG;
    if (source.nMediums && !source.lpMedium)
        return E_POINTER;
    pin->mediums.assign(source.lpMedium, source.lpMedium + source.nMediums);
    return AddMediaTypes(source.nMediaTypes, source.lpMediaType, pin);
}

bool DecodePin(ByteReader &in, FilterPinData *pin) {
    uint32_t nameLength = 0, typeCount = 0, mediumCount = 0;
    if (!in.U32(&pin->flags) || !in.U32(&pin->instances) || !in.U32(&nameLength) ||
        nameLength > kMaxNameLength || !in.Utf16(nameLength, &pin->name) || !in.U32(&typeCount) ||
        typeCount > kMaxMediaTypes)
        return false;
    pin->mediaTypes.resize(typeCount);
    for (auto &[major, minor] : pin->mediaTypes) {
        if (!in.Guid(&major) || !in.Guid(&minor))
            return false;
    }
    if (!in.U32(&mediumCount) || mediumCount > kMaxMediums)
        return false;
    pin->mediums.resize(mediumCount);
    for (REGPINMEDIUM &medium : pin->mediums) {
        if (!in.Guid(&medium.clsMedium) || !in.U32(&medium.dw1) || !in.U32(&medium.dw2))
            return false;
    }
    return in.Guid(&pin->category);
}

} // namespace

HRESULT FilterData::FromRegFilter2(const REGFILTER2 &filter, FilterData *data) {
    *data = FilterData();
    data->version = filter.dwVersion;
    data->merit = filter.dwMerit;
    if (filter.dwVersion != 1 && filter.dwVersion != 2)
        return E_INVALIDARG;
    if (filter.cPins > kMaxPins)
        return E_INVALIDARG;
    const bool missing = filter.dwVersion == 1 ? !filter.rgPins : !filter.rgPins2;
    if (filter.cPins && missing)
        return E_POINTER;
    data->pins.resize(filter.cPins);
    for (ULONG i = 0; i < filter.cPins; ++i) {
        const HRESULT hr = filter.dwVersion == 1
                               ? PinFromVersion1(filter.rgPins[i], &data->pins[i])
                               : PinFromVersion2(filter.rgPins2[i], &data->pins[i]);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

std::vector<BYTE> FilterData::Encode() const {
    ByteWriter out;
    out.U32(kMagic);
    out.U32(kFormatVersion);
    out.U32(version);
    out.U32(merit);
    out.U32(static_cast<uint32_t>(pins.size()));
    for (const FilterPinData &pin : pins) {
        out.U32(pin.flags);
        out.U32(pin.instances);
        out.U32(static_cast<uint32_t>(pin.name.size()));
        out.Utf16(pin.name);
        out.U32(static_cast<uint32_t>(pin.mediaTypes.size()));
        for (const auto &[major, minor] : pin.mediaTypes) {
            out.Guid(major);
            out.Guid(minor);
        }
        out.U32(static_cast<uint32_t>(pin.mediums.size()));
        for (const REGPINMEDIUM &medium : pin.mediums) {
            out.Guid(medium.clsMedium);
            out.U32(medium.dw1);
            out.U32(medium.dw2);
        }
        out.Guid(pin.category);
    }
    return out.Take();
}

std::optional<FilterData> FilterData::Decode(std::span<const BYTE> bytes) {
    ByteReader in(bytes);
    FilterData data;
    uint32_t magic = 0, formatVersion = 0, pinCount = 0;
    if (!in.U32(&magic) || !in.U32(&formatVersion) || magic != kMagic ||
        formatVersion != kFormatVersion || !in.U32(&data.version) ||
        (data.version != 1 && data.version != 2) || !in.U32(&data.merit) || !in.U32(&pinCount) ||
        pinCount > kMaxPins)
        return std::nullopt;
    data.pins.resize(pinCount);
    for (FilterPinData &pin : data.pins) {
        if (!DecodePin(in, &pin))
            return std::nullopt;
    }
    if (!in.AtEnd())
        return std::nullopt;
    return data;
}
