#include "tests/fake/WindowsCase.h"

namespace fake {
namespace {

char32_t Upper(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: pairs, the capital first, but in two runs where the
    // small letter comes first.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t(1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    if (c == 0x3C2) return 0x3A3; // final sigma
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return c - 32;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 63;
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return c & ~char32_t(1);
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : c - 1;
    if (c >= 0x561 && c <= 0x586) return c - 48;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
    return c;
}

char32_t Lower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0x80) return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB)) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x531 && c <= 0x556) return c + 48;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
    // The pairs above, whose small letter follows the capital.
    if (c >= 0x100 && c <= 0x52F && Upper(c + 1) == c) return c + 1;
    return c;
}

template <class Map> std::string Mapped(const std::string& utf8, Map map) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra == 3 || i + extra >= utf8.size()) {
            // Outside the Basic Multilingual Plane, or cut short: as it is.
            out.append(utf8, i, extra + 1);
            i += extra + 1;
            continue;
        }
        char32_t c = extra ? lead & (0x3F >> extra) : lead;
        for (int k = 1; k <= extra; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        c = map(c);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        i += extra + 1;
    }
    return out;
}

} // namespace

std::string UpcaseName(const std::string& utf8) {
    return Mapped(utf8, Upper);
}

std::string LowercaseName(const std::string& utf8) {
    return Mapped(utf8, Lower);
}

} // namespace fake
