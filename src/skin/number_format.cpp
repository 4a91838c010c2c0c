#include "skin/number_format.h"

namespace kv {

std::wstring FormatNumbers(std::wstring_view format, std::initializer_list<long long> numbers) {
    std::wstring out;
    out.reserve(format.size() + 16);
    auto next = numbers.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c == L'%' && i + 1 < format.size()) {
            const wchar_t d = format[i + 1];
            if (d == L'%') {
                out += L'%';
                ++i;
                continue;
            }
            if ((d == L'd' || d == L'i' || d == L'u') && next != numbers.end()) {
                out += std::to_wstring(*next++);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace kv
