#include "core/values/Dimension.h"

#include <gtest/gtest.h>

#include <QHash>
#include <unordered_set>

using VexilCore::Dimension;

TEST(Dimension, NamesInOrder) {
    const std::pair<Dimension, const char*> cases[] = {
        {Dimension::none, "a plain number"},
        {Dimension::length, "length"},
        {Dimension::mass, "mass"},
        {Dimension::time, "time"},
        {Dimension::temperature, "temperature"},
        {Dimension::data, "data size"},
        {Dimension::angle, "angle"},
        {Dimension::money, "currency"},
        {Dimension::area, "area"},
        {Dimension::volume, "volume"},
        {Dimension::speed, "speed"},
        {Dimension::acceleration, "acceleration"},
        {Dimension::frequency, "frequency"},
        {Dimension::force, "force"},
        {Dimension::energy, "energy"},
        {Dimension::powerDim, "power"},
        {Dimension::pressure, "pressure"},
        {Dimension::length * Dimension::time, "a compound unit"},
        {Dimension::money.power(2), "a compound unit"},
    };
    for (const auto& [dim, name] : cases) {
        EXPECT_EQ(dim.name(), QString::fromLatin1(name));
        EXPECT_EQ(dim.description(), dim.name());
    }
}

TEST(Dimension, DerivedDimensionsFollowFromTheBaseOnes) {
    const Dimension& L = Dimension::length;
    const Dimension& T = Dimension::time;
    EXPECT_EQ(Dimension::area, L.power(2));
    EXPECT_EQ(Dimension::volume, L.power(3));
    EXPECT_EQ(Dimension::speed, L * T.power(-1));
    EXPECT_EQ(Dimension::acceleration, L * T.power(-2));
    EXPECT_EQ(Dimension::frequency, T.power(-1));
    EXPECT_EQ(Dimension::force, Dimension::mass * Dimension::acceleration);
    EXPECT_EQ(Dimension::energy, Dimension::force * L);
    EXPECT_EQ(Dimension::powerDim, Dimension::energy * T.power(-1));
    EXPECT_EQ(Dimension::pressure, Dimension::force * Dimension::area.power(-1));
    EXPECT_EQ(Dimension::pressure.power(-1) * Dimension::force, Dimension::area);
}

TEST(Dimension, NoneAndPowerZero) {
    EXPECT_TRUE(Dimension::none.isNone());
    EXPECT_FALSE(Dimension::money.isNone());
    EXPECT_TRUE(Dimension::energy.power(0).isNone());
    EXPECT_TRUE((Dimension::speed * Dimension::speed.power(-1)).isNone());
}

TEST(Dimension, UsableAsHashKey) {
    QHash<Dimension, int> totals;
    totals[Dimension::length] += 1;
    totals[Dimension::area.power(1)] += 2;
    totals[Dimension::length.power(1)] += 3;
    EXPECT_EQ(totals.size(), 2);
    EXPECT_EQ(totals.value(Dimension::length), 4);
    EXPECT_EQ(qHash(Dimension::mass), qHash(Dimension::none * Dimension::mass));

    std::unordered_set<Dimension> set{Dimension::time, Dimension::frequency.power(-1)};
    EXPECT_EQ(set.size(), 1u);
}
