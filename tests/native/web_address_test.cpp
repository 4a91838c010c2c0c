#include "app/web_address.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(WebAddress, OnlyHttpAndHttpsAddressesOpen) {
    const struct {
        const wchar_t* text;
        bool opens;
    } cases[] = {
        {L"https://www.halvorn.com/", true},
        {L"http://example.com/path?q=1", true},
        {L"HTTPS://EXAMPLE.COM", true},
        {L"", false},
        {L"calc.exe", false},
        {L"C:\\Windows\\System32\\cmd.exe", false},
        {L"\\\\server\\share\\setup.exe", false},
        {L"file:///C:/Windows/System32/cmd.exe", false},
        {L"javascript:alert(1)", false},
        {L"ms-settings:", false},
        {L"shell:startup", false},
        {L"http://", false},
        {L"https:///etc", false},
        {L"http:\\\\server\\share", false},
        {L" https://example.com", false},
        {L"https://example.com\" /c calc", false},
        {L"https://exa mple.com", false},
        {L"https://example.com\r\nx", false},
        {L"httpx://example.com", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWebAddress(c.text), c.opens) << std::wstring(c.text).size();
}

}  // namespace
}  // namespace kv
