#include <gtest/gtest.h>

#include <vector>

#include "kernels/BlurLine.h"

namespace {

// Every start against every place a run can end in or across a word, with
// mask bytes whose bits a word-wide zero test could confuse (0x01, 0x80,
// 0xFF next to a zero).
TEST(SelectedUntil, FindsTheFirstUnselectedByteFromAnyStart)
{
    const A_u_char values[] = {0x01, 0x80, 0xFF, 0x7F};
    for (A_long length : {0, 5, 8, 23}) {
        for (A_long gap = 0; gap <= length; ++gap) {
            std::vector<A_u_char> line(static_cast<size_t>(length) + 1, 0);
            for (A_long p = 0; p < length; ++p) line[p] = p == gap ? 0 : values[p % 4];
            line[length] = 0x01;  // past the end: never read
            for (A_long from = 0; from <= length; ++from) {
                A_long expected = from;
                while (expected < length && line[expected] != 0) ++expected;
                EXPECT_EQ(SelectedUntil(line.data(), from, length), expected)
                    << "length " << length << " gap " << gap << " from " << from;
            }
        }
    }
}

TEST(SelectedFrom, FindsTheFirstSelectedByteFromAnyStart)
{
    const A_u_char values[] = {0x01, 0x80, 0xFF, 0x7F};
    for (A_long length : {0, 5, 8, 23}) {
        for (A_long mark = 0; mark <= length; ++mark) {
            std::vector<A_u_char> line(static_cast<size_t>(length) + 1, 0);
            if (mark < length) line[mark] = values[mark % 4];
            line[length] = 0xFF;  // past the end: never read
            for (A_long from = 0; from <= length; ++from)
                EXPECT_EQ(SelectedFrom(line.data(), from, length), from <= mark ? mark : length)
                    << "length " << length << " mark " << mark << " from " << from;
        }
    }
}

}  // namespace
