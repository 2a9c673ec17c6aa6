#include "base/win32/handles.h"

#include <gtest/gtest.h>

#include "base/win32/text.h"

namespace cvinst::win {
namespace {

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

TEST(Handles, OwnerClosesOnResetAndMovesOwnership) {
    unique_handle a(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(a);
    HANDLE raw = a.get();
    unique_handle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    EXPECT_TRUE(IsOpen(raw));
    b.reset();
    EXPECT_FALSE(IsOpen(raw));
}

TEST(Handles, FindHandleTreatsInvalidValueAsEmpty) {
    WIN32_FIND_DATAW data;
    unique_hfind none(FindFirstFileW(L"C:\\no such folder\\*", &data));
    EXPECT_FALSE(none);
}

TEST(Text, RoundTripsUtf8ThroughUtf16) {
    const std::string text = "Corvane \xD0\x9C\xD0\xB5\xD0\xBD\xD1\x8E \xE2\x82\xAC";
    EXPECT_EQ(Utf8(Wide(text)), text);
    EXPECT_EQ(Wide("\xD0\x9C"), std::wstring(1, wchar_t(0x041C)));
}

}  // namespace
}  // namespace cvinst::win
