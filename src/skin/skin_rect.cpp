#include "skin/skin_rect.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cwctype>

namespace kv::skin {
namespace {

// One "%d": blanks, an optional sign, at least one digit. Advances pos past it on success.
bool ReadInt(std::wstring_view text, size_t& pos, int& out) {
    while (pos < text.size() && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    const size_t digitsStart = pos;
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        value = value * 10 + (text[pos] - L'0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) return false;
        ++pos;
    }
    if (pos == digitsStart) return false;
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

SkinRect ParseSkinRect(std::wstring_view text) {
    int v[4] = {};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != L',') return kDefaultSkinRect;
            ++pos;
        }
        if (!ReadInt(text, pos, v[i])) return kDefaultSkinRect;
    }
    return SkinRect{v[0], v[1], v[2], v[3]};
}

}  // namespace kv::skin
