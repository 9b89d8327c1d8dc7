#include "inireader.h"

#include <cstdint>

namespace Kestra {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Collects decoded text as UTF-8 up to a budget of UTF-16 units. QSettings escapes carry UTF-16
// units, so a high surrogate waits for its partner; anything unpaired becomes U+FFFD.
class Utf8Builder {
public:
    explicit Utf8Builder(std::size_t maxUnits) : maxUnits_(maxUnits) {}

    void AddUnit(char16_t unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (!highSurrogate_) {
                AddCodePoint(kReplacement);
                return;
            }
            const char32_t high = highSurrogate_;
            highSurrogate_ = 0;
            AddCodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            return;
        }
        AddCodePoint(unit);
    }

    void AddCodePoint(char32_t cp) {
        FlushSurrogate();
        const std::size_t units = cp >= 0x10000 ? 2 : 1;
        if (full_ || used_ + units > maxUnits_) {
            full_ = true;
            return;
        }
        used_ += units;
        if (cp < 0x80) {
            out_ += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out_ += static_cast<char>(0xC0 | (cp >> 6));
            out_ += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out_ += static_cast<char>(0xE0 | (cp >> 12));
            out_ += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out_ += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out_ += static_cast<char>(0xF0 | (cp >> 18));
            out_ += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out_ += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out_ += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string Take() {
        FlushSurrogate();
        return std::move(out_);
    }

private:
    void FlushSurrogate() {
        if (!highSurrogate_)
            return;
        highSurrogate_ = 0;
        AddCodePoint(kReplacement);
    }

    std::string out_;
    std::size_t maxUnits_;
    std::size_t used_ = 0;
    char16_t highSurrogate_ = 0;
    bool full_ = false;
};

// Reads one UTF-8 sequence at text[i], advancing i; a malformed byte reads as U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t &i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    struct Form {
        unsigned char mask;
        unsigned char pattern;
        std::size_t continuations;
        char32_t least; // anything smaller is an overlong form
    };
    static constexpr Form forms[] = {
        {0xE0, 0xC0, 1, 0x80}, {0xF0, 0xE0, 2, 0x800}, {0xF8, 0xF0, 3, 0x10000}};
    for (const Form &form : forms) {
        if ((lead & form.mask) != form.pattern)
            continue;
        char32_t cp = lead & static_cast<unsigned char>(~form.mask);
        for (std::size_t k = 0; k < form.continuations; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return kReplacement;
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += form.continuations;
        if (cp < form.least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return kReplacement;
        return cp;
    }
    return kReplacement;
}

// Reads up to maxDigits digits of the given base at text[i]. QSettings' reader takes digits
// greedily (its writer escapes a digit that follows an escape) and keeps a 16-bit unit.
char16_t ReadNumber(std::string_view text, std::size_t &i, int base, std::size_t maxDigits) {
    std::uint32_t value = 0;
    for (std::size_t n = 0; n < maxDigits && i < text.size(); ++n, ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0 || digit >= base)
            break;
        value =
            (value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit)) & 0xFFFF;
    }
    return static_cast<char16_t>(value);
}

constexpr std::size_t kGreedy = static_cast<std::size_t>(-1);

bool HexRun(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count)
        return false;
    for (std::size_t i = at; i < at + count; ++i) {
        if (HexValue(text[i]) < 0)
            return false;
    }
    return true;
}

char SimpleEscape(char c) {
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
    case '\\':
    case '\'':
    case '?':
        return c;
    default:
        return 0;
    }
}

std::string UnescapeValue(std::string_view raw) {
    Utf8Builder out(kMaxIniValueUnits);
    bool quoted = false;
    // Blanks outside quotes wait here so that those at the end of the value can be dropped.
    std::size_t pendingBlanks = 0;
    auto flushBlanks = [&] {
        for (; pendingBlanks > 0; --pendingBlanks)
            out.AddCodePoint(' ');
    };
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            ++i;
        } else if (c == ';' && !quoted) {
            break; // the rest of the line is a comment
        } else if (IsBlank(c) && !quoted) {
            ++pendingBlanks;
            ++i;
        } else if (c != '\\') {
            flushBlanks();
            out.AddCodePoint(NextCodePoint(raw, i));
        } else if (++i < raw.size()) {
            const char e = raw[i];
            flushBlanks();
            if (e == 'x') {
                ++i;
                out.AddUnit(ReadNumber(raw, i, 16, kGreedy));
            } else if (e >= '0' && e <= '7') {
                out.AddUnit(ReadNumber(raw, i, 8, kGreedy));
            } else {
                // An unknown escape stands for nothing, as in QSettings.
                if (const char simple = SimpleEscape(e))
                    out.AddCodePoint(static_cast<unsigned char>(simple));
                ++i;
            }
        }
    }
    return out.Take();
}

// %XX (a Latin-1 character) and %UXXXX (a UTF-16 unit), as QSettings writes names.
std::string DecodeName(std::string_view raw) {
    Utf8Builder out(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == '%' && i + 1 < raw.size() && raw[i + 1] == 'U' && HexRun(raw, i + 2, 4)) {
            i += 2;
            out.AddUnit(ReadNumber(raw, i, 16, 4));
        } else if (raw[i] == '%' && HexRun(raw, i + 1, 2)) {
            ++i;
            out.AddUnit(ReadNumber(raw, i, 16, 2));
        } else {
            out.AddCodePoint(NextCodePoint(raw, i));
        }
    }
    return out.Take();
}

// Splits text into lines at LF, CR LF or a lone CR.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view &line) {
        if (pos_ >= text_.size())
            return false;
        const std::size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) {
            line = text_.substr(pos_);
            pos_ = text_.size();
            return true;
        }
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (text_[end] == '\r' && pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    enum class Where { Before, Inside, After } where = Where::Before;
    LineReader lines(text);
    std::string_view line;
    while (where != Where::After && lines.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (where == Where::Inside) {
                where = Where::After;
            } else {
                const std::size_t close = line.find(']');
                const std::string_view name =
                    Trim(line.substr(1, close == line.npos ? line.npos : close - 1));
                if (SameName(DecodeName(name), section))
                    where = Where::Inside;
            }
            continue;
        }
        if (where != Where::Inside)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (SameName(DecodeName(Trim(line.substr(0, equals))), key))
            return UnescapeValue(Trim(line.substr(equals + 1)));
    }
    return std::nullopt;
}

} // namespace Kestra
