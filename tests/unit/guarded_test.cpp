#include "window/guarded.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Raise(int32_t number, const wchar_t* description) {
    throw AppError(number, L"test", description);
}

TEST(GuardedTest, AFailedStepIsAbandonedAndTheNextOneRuns) {
    std::vector<std::wstring> reported;
    Guarded guard([&](const std::wstring& d) { reported.push_back(d); });
    int assigned = 1;
    std::vector<int> ran;
    EXPECT_FALSE(guard.Step([&] {
        ran.push_back(1);
        Raise(9, L"Subscript out of range");
        assigned = 2;  // never reached
    }));
    EXPECT_TRUE(guard.Step([&] { ran.push_back(2); }));
    EXPECT_FALSE(guard.Step([&] { throw std::bad_alloc(); }));
    EXPECT_EQ(assigned, 1);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(reported, (std::vector<std::wstring>{L"Subscript out of range", L"Out of memory"}));
}

TEST(GuardedTest, AConditionThatRaisesCountsAsTrue) {
    int reports = 0;
    Guarded guard([&](const std::wstring&) { ++reports; });
    EXPECT_TRUE(guard.Test([]() -> bool { Raise(5, L"Invalid procedure call or argument"); }));
    EXPECT_TRUE(guard.Test([] { return true; }));
    EXPECT_FALSE(guard.Test([] { return false; }));
    EXPECT_EQ(reports, 1);
}

TEST(GuardedTest, ASilentGuardAbsorbsWithoutReporting) {
    Guarded guard;
    EXPECT_FALSE(guard.Step([] { Raise(26001, L"x"); }));
    EXPECT_TRUE(guard.Test([]() -> bool { Raise(26001, L"x"); }));
}

TEST(GuardedTest, AReporterThatFailsDoesNotEscape) {
    Guarded guard([](const std::wstring&) { Raise(7, L"the message box cannot be shown"); });
    bool next = false;
    EXPECT_FALSE(guard.Step([] { Raise(5, L"first"); }));
    guard.Step([&] { next = true; });
    EXPECT_TRUE(next);
}

}  // namespace
