#include "core/about/VexilInfo.h"

#include <gtest/gtest.h>

#include <QString>

namespace VexilInfo = VexilCore::VexilInfo;

TEST(VexilInfo, MakerAndCredit) {
    EXPECT_EQ(VexilInfo::maker.toString(), "Zembrel Labs");
    const QString credit = VexilInfo::credit.toString();
    EXPECT_EQ(credit.size(), 45);
    EXPECT_TRUE(credit.contains(VexilInfo::maker));
    EXPECT_TRUE(credit.endsWith(u'.'));
    EXPECT_FALSE(credit.contains(u'\n'));
    EXPECT_FALSE(credit.contains(u'\r'));
}
