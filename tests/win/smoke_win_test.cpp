#include <windows.h>

#include <gtest/gtest.h>

#include "device/request_id.h"

namespace {

// The portable core links into the Windows build and behaves the same there.
TEST(WindowsBuild, CoreLinks) {
    EXPECT_EQ(kv::MakeRequestId(0, "abc", 3), 331u);
}

}  // namespace
