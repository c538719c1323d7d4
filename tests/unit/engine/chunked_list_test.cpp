// The chunked list against a plain vector under random appends and
// erasures, with chunks small enough that merges and emptied chunks happen
// all the time.
#include "engine/chunked_list.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvan {
namespace {

using SmallList = ChunkedList<std::string, 8>;

void expectSame(const std::vector<std::string>& expected, const SmallList& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    ASSERT_EQ(expected.empty(), actual.empty());
    std::size_t i = 0;
    for (const std::string& value : actual) ASSERT_EQ(expected[i++], value) << "walk, at " << i - 1;
    for (i = 0; i < expected.size(); ++i) ASSERT_EQ(expected[i], actual[i]) << "by position " << i;
    if (!expected.empty()) {
        EXPECT_EQ(expected.front(), actual.front());
        EXPECT_EQ(expected.back(), actual.back());
    }
    EXPECT_THROW(actual.at(expected.size()), std::out_of_range);
}

TEST(ChunkedList, AppendsAndErasuresAnswerAsAVector) {
    std::mt19937 random(3);
    std::vector<std::string> expected;
    SmallList actual;
    int next = 0;
    for (int step = 0; step < 4000; ++step) {
        // Grows to a few hundred, shrinks to nothing and grows again.
        const bool growing = step % 1000 < 600;
        if (expected.empty() || random() % 100 < (growing ? 70u : 25u)) {
            // Long enough to live on the heap, so a lost move shows.
            const std::string value = std::string(20, 'x') + std::to_string(next++);
            expected.push_back(value);
            actual.reserveOneMore();
            actual.push_back(value);
        } else {
            const std::size_t position = random() % expected.size();
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(position));
            actual.erase(position);
        }
        ASSERT_NO_FATAL_FAILURE(expectSame(expected, actual)) << "step " << step;
        // Merging keeps the chunks at least a quarter full on average.
        EXPECT_LE(actual.chunkCount(), 2 + actual.size() / 2) << "step " << step;
        if (step % 500 == 0) {
            // A copy answers the same and can be erased from by itself.
            SmallList copy = actual;
            std::vector<std::string> expectedCopy = expected;
            ASSERT_NO_FATAL_FAILURE(expectSame(expectedCopy, copy));
            while (!copy.empty()) {
                copy.erase(copy.size() / 2);
                expectedCopy.erase(expectedCopy.begin() + static_cast<std::ptrdiff_t>(expectedCopy.size() / 2));
            }
            ASSERT_NO_FATAL_FAILURE(expectSame(expectedCopy, copy));
            ASSERT_NO_FATAL_FAILURE(expectSame(expected, actual));
        }
    }
}

TEST(ChunkedList, LowerBoundGivesThePositionOfTheFirstNotSmaller) {
    ChunkedList<int, 4> list;
    std::vector<int> values;
    for (int i = 0; i < 60; ++i) values.push_back(i * 3);
    list = ChunkedList<int, 4>(values);
    // Erasures leave chunks of several sizes.
    for (const std::size_t position : {0u, 7u, 7u, 20u, 30u, 31u}) {
        list.erase(position);
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
    }
    for (int probe = -2; probe < 185; ++probe) {
        const auto expected = std::lower_bound(values.begin(), values.end(), probe) - values.begin();
        EXPECT_EQ(static_cast<std::size_t>(expected), list.lowerBound(probe)) << probe;
    }
    // A list moved from is empty and usable.
    ChunkedList<int, 4> moved = std::move(list);
    EXPECT_EQ(values.size(), moved.size());
    EXPECT_TRUE(list.empty());
    list.push_back(7);
    EXPECT_EQ(1u, list.size());
    EXPECT_EQ(7, list.back());
    list.clear();
    EXPECT_EQ(0u, list.lowerBound(5));
    EXPECT_TRUE(list.begin() == list.end());
}

}  // namespace
}  // namespace korvan
