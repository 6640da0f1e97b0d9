#include "PhraseProbe.h"

#include <gtest/gtest.h>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime utcAt(int y, int mo, int d, int h, int mi = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc());
}

double secs(const QDateTime& dt) {
    return double(dt.toSecsSinceEpoch());
}

int offsetOf(const QTimeZone& zone) {
    return zone.offsetFromUtc(utcAt(2024, 6, 15, 12));
}

TEST(ZonePhrases, ZoneAt) {
    const struct {
        const char* line;
        const char* label; // nullptr: no zone
        int offset;
        int end;
    } cases[] = {
        {"GMT+2", "GMT+2", 7200, 3},
        {"GMT-3", "GMT\u22123", -10800, 3},
        {"UTC+5.5", "UTC+5.5", 19800, 3},
        {"UTC+14", "UTC+14", 50400, 3},
        {"UTC-0.25 x", "UTC\u22120.25", -900, 3},
        {"GMT+15", "GMT", 0, 1},   // beyond 14 hours the sign is the expression's
        {"GMT +2", "GMT", 0, 1},   // a blank before the sign
        {"GMT+", "GMT", 0, 1},     // no number
        {"UTC+5:30", "UTC", 0, 1}, // a clock is no number of hours
        {"Tokyo", "Tokyo", 32400, 1},
        {"new york city", "New York City", -14400, 3},
        {"New York time", "New York", -14400, 2},
        {"London time", "London", 3600, 1},
        {"gmt+2", nullptr, 0, 0}, // abbreviations are capitals only
        {"foo", nullptr, 0, 0},
        {"5", nullptr, 0, 0},
        {"", nullptr, 0, 0},
    };
    for (const auto& c : cases) {
        PhraseProbe probe(QString::fromUtf8(c.line));
        const std::optional<LineParser::ZoneMatch> z = probe.zoneAt(0);
        if (!c.label) {
            EXPECT_FALSE(z) << c.line;
            continue;
        }
        ASSERT_TRUE(z) << c.line;
        EXPECT_EQ(z->label, QString::fromUtf8(c.label)) << c.line;
        EXPECT_EQ(offsetOf(z->zone), c.offset) << c.line;
        EXPECT_EQ(z->end, c.end) << c.line;
        EXPECT_EQ(probe.p(), 0);
    }
}

TEST(ZonePhrases, AVariableWinsOverAZone) {
    PhraseProbe probe(u"paris"_s, phraseContext(), {{u"paris"_s, q(5)}});
    EXPECT_FALSE(probe.zoneAt(0));
    PhraseProbe other(u"Paris"_s, phraseContext(), {{u"paris"_s, q(5)}});
    EXPECT_TRUE(other.zoneAt(0)); // variable names are exact
}

TEST(ZonePhrases, ZonedClockTimesTakeTodayInTheContextZone) {
    const QTimeZone london("Europe/London");
    const struct {
        QDateTime now;
        ClockTime clock;
        QDateTime instant;
        qint64 dayShift;
    } cases[] = {
        {utcAt(2024, 6, 15, 12), {15 * 3600 + 0.75, 0}, utcAt(2024, 6, 15, 14), 0}, // BST; fraction dropped
        {utcAt(2024, 6, 15, 12), {9 * 3600, 1}, utcAt(2024, 6, 16, 8), 1},
        {utcAt(2024, 1, 15, 23, 30), {9 * 3600, -2}, utcAt(2024, 1, 13, 9), -2},
        // 01:30 does not exist on 31 March: forward by the gap, 02:30 BST.
        {utcAt(2024, 3, 31, 12), {1.5 * 3600, 0}, utcAt(2024, 3, 31, 1, 30), 0},
        // 01:30 happens twice on 27 October: the later one, in GMT.
        {utcAt(2024, 10, 27, 12), {1.5 * 3600, 0}, utcAt(2024, 10, 27, 1, 30), 0},
    };
    for (const auto& c : cases) {
        PhraseProbe probe(u""_s, phraseContext(c.now));
        const std::optional<ZonedTime> z = probe.zoned(c.clock);
        ASSERT_TRUE(z);
        EXPECT_EQ(z->date, secs(c.instant)) << c.instant.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(z->zone, london);
        EXPECT_EQ(z->label, QString());
        EXPECT_EQ(z->dayShift, c.dayShift);
    }
}

TEST(ZonePhrases, ZonedOtherValues) {
    PhraseProbe probe(u""_s);
    const std::optional<ZonedTime> instant = probe.zoned(Instant{1000});
    ASSERT_TRUE(instant);
    EXPECT_EQ(*instant, (ZonedTime{1000, QTimeZone("Europe/London"), QString(), 0}));
    const ZonedTime z{5000, QTimeZone("Asia/Tokyo"), u"Tokyo"_s, 3};
    EXPECT_EQ(probe.zoned(z), z);
    EXPECT_FALSE(probe.zoned(CalendarDate{2024, 6, 15}));
    EXPECT_FALSE(probe.zoned(q(5)));
}

TEST(ZonePhrases, ConvertZoneShiftsByLocalDates) {
    const QTimeZone behind(-9 * 3600), ahead(9 * 3600);
    // 23:00 on 15 June, nine hours behind UTC.
    const double late = secs(utcAt(2024, 6, 16, 8));
    PhraseProbe probe(u""_s);
    const ZonedTime there = probe.convertZone(ZonedTime{late, behind, QString(), 0}, ahead, u"X"_s);
    EXPECT_EQ(there, (ZonedTime{late, ahead, u"X"_s, 1}));
    EXPECT_EQ(probe.convertZone(there, behind, QString()).dayShift, 0);
    EXPECT_EQ(probe.convertZone(ZonedTime{late, ahead, QString(), 0}, behind, QString()).dayShift, -1);
    EXPECT_EQ(probe.convertZone(ZonedTime{late, behind, QString(), 2}, behind, u"Y"_s).dayShift, 2);
    // An instant with no calendar form keeps its day shift.
    EXPECT_EQ(probe.convertZone(ZonedTime{1e300, behind, QString(), 4}, ahead, QString()).dayShift, 4);
    const qint64 top = std::numeric_limits<qint64>::max();
    EXPECT_EQ(probe.convertZone(ZonedTime{late, behind, QString(), top}, ahead, QString()).dayShift, top);
}

TEST(ZonePhrases, TimeIn) {
    const struct {
        QDateTime now;
        const char* line;
        const char* zone;
        const char* label;
        qint64 dayShift;
    } cases[] = {
        {utcAt(2024, 6, 15, 12), "time in Tokyo", "Asia/Tokyo", "Tokyo", 0},
        {utcAt(2024, 6, 15, 20), "Time In tokyo", "Asia/Tokyo", "Tokyo", 1},
        {utcAt(2024, 6, 15, 23, 30), "time in UTC-3", "UTC-03", "UTC\u22123", -1}, // 00:30 BST on the 16th
        {utcAt(2024, 6, 15, 12), "London time", "Europe/London", "London", 0},
        {utcAt(2024, 6, 15, 20), "Tokyo time // there", "Asia/Tokyo", "Tokyo", 1},
    };
    for (const auto& c : cases) {
        PhraseProbe probe(QString::fromUtf8(c.line), phraseContext(c.now));
        const std::optional<Value> v = probe.phrase();
        ASSERT_TRUE(v) << c.line;
        const ZonedTime* z = std::get_if<ZonedTime>(&*v);
        ASSERT_NE(z, nullptr) << c.line;
        EXPECT_EQ(z->date, secs(c.now)) << c.line;
        EXPECT_EQ(z->zone.id(), QByteArray(c.zone)) << c.line;
        EXPECT_EQ(z->label, QString::fromUtf8(c.label)) << c.line;
        EXPECT_EQ(z->dayShift, c.dayShift) << c.line;
    }
}

TEST(ZonePhrases, TimeInMarksItsWords) {
    PhraseProbe probe(u"time in New York"_s);
    ASSERT_TRUE(probe.phrase());
    const RoleList want{Role::Keyword, Role::Keyword, Role::Unit, Role::Unit, std::nullopt};
    EXPECT_EQ(probe.roles(), want);
    EXPECT_EQ(probe.p(), 4);

    PhraseProbe inline_(u"GMT+2 time"_s);
    ASSERT_TRUE(inline_.phrase());
    const RoleList inlineWant{Role::Unit, Role::Unit, Role::Unit, Role::Keyword, std::nullopt};
    EXPECT_EQ(inline_.roles(), inlineWant);
    EXPECT_EQ(inline_.p(), 4);
}

TEST(ZonePhrases, ZoneDifference) {
    const struct {
        const char* line;
        double value;
        const char* unit;
    } cases[] = {
        {"time difference between London and London", 0, "min"},
        {"time difference between UTC & UTC+5.5", 5.5, "h"},
        {"time difference between UTC+5.5 and UTC", 5.5, "h"},
        {"time difference between London and Tokyo", 8, "h"}, // summer time counts
        {"time difference between Tokyo and London", 8, "h"},
        {"time difference between UTC and UTC+0.5", 30, "min"},
        {"time difference between UTC and UTC+0.51", 0.51, "h"}, // not a whole number of minutes
    };
    for (const auto& c : cases) {
        PhraseProbe probe(QString::fromUtf8(c.line));
        const std::optional<Value> v = probe.phrase();
        ASSERT_TRUE(v) << c.line;
        EXPECT_NEAR(asQuantity(*v)->value, c.value, 1e-12) << c.line << ": " << describe(*v);
        EXPECT_EQ(asQuantity(*v)->unit, q(1, c.unit).unit) << c.line << ": " << describe(*v);
        EXPECT_TRUE(probe.atEnd()) << c.line;
    }
    PhraseProbe marked(u"time difference between London & Tokyo"_s);
    ASSERT_TRUE(marked.phrase());
    const RoleList want{Role::Keyword, Role::Keyword, Role::Keyword, Role::Unit,
                        Role::Op,      Role::Unit,    std::nullopt};
    EXPECT_EQ(marked.roles(), want);
}

// Every form that does not apply leaves the parser exactly as it was, the stop words included.
TEST(ZonePhrases, FormsThatDoNotApplyRollBack) {
    for (const char* line :
         {"time in tokyo foo", "time in", "time in foo", "time difference London", "time difference between",
          "time difference between London", "time difference between London and",
          "time difference between London or Paris", "time difference between London and Paris foo", "time",
          "London", "London time foo", "current", "new", "foo time"}) {
        PhraseProbe probe(QString::fromLatin1(line));
        probe.sawValue() = true;
        probe.lastWasPercent() = true;
        probe.stopWords() = {u"then"_s};
        probe.assignments().append({u"a"_s, q(1)});
        const auto before = probe.snapshot();
        EXPECT_FALSE(probe.phrase()) << line;
        EXPECT_EQ(probe.snapshot(), before) << line;
    }
}

TEST(ZonePhrases, CurrentTimestamp) {
    for (const char* line : {"current timestamp", "New Timestamp"}) {
        PhraseProbe probe(QString::fromLatin1(line));
        const std::optional<Value> v = probe.phrase();
        ASSERT_TRUE(v) << line;
        EXPECT_EQ(*v, Value(Instant{probe.ctx().now})) << line;
        EXPECT_EQ(probe.p(), 2);
        EXPECT_EQ(probe.roles()[1], Role::Keyword);
    }
}

} // namespace
