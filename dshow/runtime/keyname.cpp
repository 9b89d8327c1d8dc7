#include "keyname.h"

#include <algorithm>

namespace {

constexpr size_t kMaxKeyNameLength = 255;

bool HasUnpairedSurrogate(std::u16string_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF)
                return true;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

char16_t FoldUnit(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit;
}

} // namespace

bool IsValidKeyName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxKeyNameLength || name == u"." || name == u"..")
        return false;
    if (name.find_first_of(std::u16string_view(u"/\\\0", 3)) != std::u16string_view::npos)
        return false;
    std::u16string prefix(kReservedPrefix.begin(), kReservedPrefix.end());
    if (name.size() >= prefix.size() && NamesEqual(name.substr(0, prefix.size()), prefix))
        return false;
    return !HasUnpairedSurrogate(name);
}

LONG SplitKeyPath(std::u16string_view subKey, std::vector<std::u16string> *names) {
    names->clear();
    if (subKey.empty())
        return ERROR_SUCCESS;
    size_t start = 0;
    while (true) {
        const size_t end = subKey.find(u'\\', start);
        const std::u16string_view name = subKey.substr(start, end - start);
        if (!IsValidKeyName(name)) {
            names->clear();
            return ERROR_INVALID_PARAMETER;
        }
        names->emplace_back(name);
        if (end == std::u16string_view::npos)
            return ERROR_SUCCESS;
        start = end + 1;
    }
}

std::u16string FoldName(std::u16string_view name) {
    std::u16string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldUnit);
    return folded;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return FoldUnit(x) == FoldUnit(y); });
}
