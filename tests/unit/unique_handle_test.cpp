// The one handle owner: every handle it takes is given back exactly once, through the
// traits it was opened with, whichever way ownership moves.
#include "base/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "registry/registry_api.h"
#include "stand_in/memory_registry.h"

namespace {

// Handles are ints, 0 and -1 mean none; each close is written down.
struct CountingTraits {
    using Type = int;
    static int Invalid() { return 0; }
    static bool Valid(int value) { return value > 0; }
    void Close(int value) const { closed->push_back(value); }
    std::vector<int>* closed = nullptr;
};
using Owner = UniqueHandle<CountingTraits>;

TEST(UniqueHandle, GivesEveryHandleBackOnceWhicheverWayItMoves) {
    std::vector<int> closed;
    const CountingTraits traits{&closed};
    {
        Owner a(1, traits);
        Owner b(std::move(a));  // moved: only b gives 1 back
        Owner c(2, traits);
        c = std::move(b);  // c gives 2 back now and takes over 1
        EXPECT_EQ(closed, std::vector<int>({2}));
        Owner d(-1, traits);  // not a handle: never given back
        *d.Put() = 3;         // as an opening function writes it
        Owner e(4, traits);
        EXPECT_EQ(e.Release(), 4);  // the caller's to give back now
        e.Reset(5);
        EXPECT_FALSE(a);
        EXPECT_TRUE(c);
    }
    // Scope end gives back in reverse order of declaration: e, d, c.
    EXPECT_EQ(closed, std::vector<int>({2, 5, 3, 1}));
}

TEST(UniqueHandle, AKeyMovedBetweenOwnersIsClosedOnTheRegistryThatOpenedIt) {
    MemoryRegistry first;
    MemoryRegistry second;
    for (MemoryRegistry* registry : {&first, &second}) registry->AddKey(kHkeyLocalMachine, "Scratch");
    OpenedKey fromFirst = OwnKey(first, 0);
    ASSERT_EQ(kErrorSuccess, first.RegOpenKeyExA(kHkeyLocalMachine, "Scratch", 0, kKeyQueryValue, fromFirst.Put()));
    OpenedKey fromSecond = OwnKey(second, 0);
    ASSERT_EQ(kErrorSuccess, second.RegOpenKeyExA(kHkeyLocalMachine, "Scratch", 0, kKeyQueryValue, fromSecond.Put()));

    fromSecond = std::move(fromFirst);
    EXPECT_EQ(first.OpenHandleCount(), 1u);
    EXPECT_EQ(second.OpenHandleCount(), 0u);
    fromSecond.Reset();
    EXPECT_EQ(first.OpenHandleCount(), 0u);
}

}  // namespace
