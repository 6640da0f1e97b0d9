#include "core/values/TextRange.h"

#include <gtest/gtest.h>

using VexilCore::TextRange;

TEST(TextRange, EndAndEquality) {
    TextRange r{3, 4};
    EXPECT_EQ(r.end(), 7);
    EXPECT_EQ(r, (TextRange{3, 4}));
    EXPECT_NE(r, (TextRange{3, 5}));
}
