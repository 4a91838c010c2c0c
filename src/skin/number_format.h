// Language texts that carry numbers ("You can create at most %d macros."). The texts come from files the
// user can edit, so they are treated as data: each integer directive (%d, %i, %u) takes the next number,
// "%%" gives "%", and everything else, including %s, %n and directives beyond the numbers given, is
// copied as it stands.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kv {

[[nodiscard]] std::wstring FormatNumbers(std::wstring_view format, std::initializer_list<long long> numbers);

}  // namespace kv
