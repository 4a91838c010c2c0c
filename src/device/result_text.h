// Plain-English names of the command result codes, for tools and logs ("keyboard not present").
#pragma once

namespace kv {

[[nodiscard]] const char* DescribeResult(int result);

}  // namespace kv
