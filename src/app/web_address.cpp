#include "app/web_address.h"

namespace kv {

namespace {

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsWebAddress(std::wstring_view text) {
    std::size_t rest = 0;
    if (StartsWithIgnoringCase(text, L"https://")) rest = 8;
    else if (StartsWithIgnoringCase(text, L"http://")) rest = 7;
    else return false;
    // A host must follow: "http:///x" or "http://" alone names none.
    if (rest >= text.size() || text[rest] == L'/' || text[rest] == L'\\') return false;
    for (const wchar_t c : text)
        if (c <= L' ' || c == 0x7F || c == L'"') return false;
    return true;
}

}  // namespace kv
