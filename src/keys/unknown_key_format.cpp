#include "keys/unknown_key_format.h"

#include <algorithm>
#include <cstddef>

namespace kv {
namespace {

bool IsFlag(wchar_t c) { return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsLength(wchar_t c) {
    return c == L'h' || c == L'l' || c == L'L' || c == L'q' || c == L'j' || c == L'z' || c == L't' || c == L'I';
}
bool IsIntegerConversion(wchar_t c) {
    return c == L'd' || c == L'i' || c == L'u' || c == L'x' || c == L'X' || c == L'o';
}

// Reads a decimal number at format[pos...], capped at kMaxFormatWidth.
int ReadNumber(std::wstring_view format, std::size_t& pos) {
    int value = 0;
    while (pos < format.size() && IsDigit(format[pos])) {
        value = std::min(value * 10 + (format[pos] - L'0'), kMaxFormatWidth);
        ++pos;
    }
    return value;
}

struct Directive {
    bool leftAlign = false, plus = false, space = false, alternate = false, zeroPad = false;
    int width = 0;
    int precision = -1;
    wchar_t conversion = 0;
};

std::wstring Render(const Directive& d, unsigned value) {
    const unsigned base = d.conversion == L'x' || d.conversion == L'X' ? 16u : d.conversion == L'o' ? 8u : 10u;
    const wchar_t* digitSet = d.conversion == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    for (unsigned v = value; v != 0; v /= base) digits.insert(digits.begin(), digitSet[v % base]);
    if (d.precision < 0 && digits.empty()) digits = L"0";
    if (d.precision > 0 && digits.size() < static_cast<std::size_t>(d.precision))
        digits.insert(0, static_cast<std::size_t>(d.precision) - digits.size(), L'0');

    std::wstring prefix;
    const bool isSigned = d.conversion == L'd' || d.conversion == L'i';
    if (isSigned && d.plus) prefix = L"+";
    else if (isSigned && d.space) prefix = L" ";
    if (d.alternate && value != 0 && base == 16) prefix = d.conversion == L'X' ? L"0X" : L"0x";
    if (d.alternate && base == 8 && (digits.empty() || digits[0] != L'0')) digits.insert(0, 1, L'0');

    const std::size_t length = prefix.size() + digits.size();
    const std::size_t width = static_cast<std::size_t>(d.width);
    if (length >= width) return prefix + digits;
    const std::size_t pad = width - length;
    if (d.leftAlign) return prefix + digits + std::wstring(pad, L' ');
    if (d.zeroPad && d.precision < 0) return prefix + std::wstring(pad, L'0') + digits;
    return std::wstring(pad, L' ') + prefix + digits;
}

}  // namespace

std::wstring FormatKeyCodeText(std::wstring_view format, uint16_t code) {
    std::wstring out;
    out.reserve(format.size() + 8);
    bool numberPlaced = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c != L'%') {
            out += c;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        if (!numberPlaced) {
            Directive d;
            std::size_t pos = i + 1;
            for (; pos < format.size() && IsFlag(format[pos]); ++pos) {
                switch (format[pos]) {
                    case L'-': d.leftAlign = true; break;
                    case L'+': d.plus = true; break;
                    case L' ': d.space = true; break;
                    case L'#': d.alternate = true; break;
                    default: d.zeroPad = true; break;
                }
            }
            d.width = ReadNumber(format, pos);
            if (pos < format.size() && format[pos] == L'.') {
                ++pos;
                d.precision = ReadNumber(format, pos);
            }
            while (pos < format.size() && IsLength(format[pos])) ++pos;
            if (pos < format.size() && IsIntegerConversion(format[pos])) {
                d.conversion = format[pos];
                out += Render(d, code);
                numberPlaced = true;
                i = pos;
                continue;
            }
        }
        out += L'%';  // not a directive we fill: the text stays as it is
    }
    return out;
}

}  // namespace kv
