// Which texts may be handed to the shell as a web page to open. The program runs with administrator rights
// and some of its links come from files anyone may edit (the skin's "Link"), so only an http or https
// address opens; anything else (a program, a document, another scheme) is ignored.
#pragma once

#include <string_view>

namespace kv {

// "http://" or "https://" (any case), then a host, and no blank or control character anywhere.
[[nodiscard]] bool IsWebAddress(std::wstring_view text);

}  // namespace kv
