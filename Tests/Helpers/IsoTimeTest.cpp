#include "Support/IsoTime.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(IsoTime, UtcWholeSecondsWithZ) {
    const QDateTime utc(QDate(2025, 3, 1), QTime(9, 30, 0), Qt::UTC);
    EXPECT_EQ(IsoTime::utc(utc), "2025-03-01T09:30:00Z");
    // Another offset is converted to UTC.
    const QDateTime berlin(QDate(2025, 3, 1), QTime(10, 30, 0), QTimeZone(3600));
    EXPECT_EQ(IsoTime::utc(berlin), "2025-03-01T09:30:00Z");
    // Fractions are dropped, never rounded up to the next second.
    EXPECT_EQ(IsoTime::utc(utc.addMSecs(999)), "2025-03-01T09:30:00Z");
    // Also before 1970, where the second count is negative.
    EXPECT_EQ(IsoTime::utc(QDateTime::fromMSecsSinceEpoch(-500, Qt::UTC)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(IsoTime::utc(QDateTime()), "");
}

TEST(IsoTime, NowIsTheCurrentSecond) {
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const QString text = IsoTime::now();
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    ASSERT_EQ(text.size(), 20) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u'Z'));
    const qint64 secs = QDateTime::fromString(text, Qt::ISODate).toSecsSinceEpoch();
    EXPECT_GE(secs, before);
    EXPECT_LE(secs, after);
}
