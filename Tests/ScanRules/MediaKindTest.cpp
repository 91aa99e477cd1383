#include "ScanRules/MediaKind.h"

#include "ScanRules/MountedVolume.h"
#include "Tests/ScanRules/Printers.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(MediaKind, RawValuesRoundTrip) {
    EXPECT_EQ(rawValue(MediaKind::video), "video");
    EXPECT_EQ(rawValue(MediaKind::photo), "photo");
    EXPECT_EQ(mediaKindFromRawValue("video"), MediaKind::video);
    EXPECT_EQ(mediaKindFromRawValue("photo"), MediaKind::photo);
    for (const char* raw : {"Video", "PHOTO", "", "audio", " video", "video "})
        EXPECT_EQ(mediaKindFromRawValue(raw), std::nullopt) << raw;

    const QSet<MediaKind> kinds{MediaKind::video, MediaKind::photo, MediaKind::video};
    EXPECT_EQ(kinds.size(), 2);
    EXPECT_EQ(qHash(MediaKind::video, 7), qHash(QStringLiteral("video"), 7));
}

TEST(MountedVolume, LabelDefaultsToNameAndEqualityCoversEveryField) {
    const MountedVolume base(QString("UUID-1"), "Footage", std::nullopt, "/Volumes/Footage", QString("nas"),
                             QString("share"), false);
    EXPECT_EQ(base.userLabel, "Footage");
    EXPECT_EQ(MountedVolume(std::nullopt, "A", QString("Label"), "/Volumes/A").userLabel, "Label");

    const MountedVolume local(std::nullopt, "Footage", std::nullopt, "/Volumes/Footage");
    EXPECT_EQ(local.uuid, std::nullopt);
    EXPECT_EQ(local.nasServer, std::nullopt);
    EXPECT_EQ(local.nasShare, std::nullopt);
    EXPECT_FALSE(local.isSystem);

    EXPECT_EQ(base, MountedVolume(QString("UUID-1"), "Footage", QString("Footage"), "/Volumes/Footage",
                                  QString("nas"), QString("share"), false));

    const auto changed = [&](auto edit) {
        MountedVolume v = base;
        edit(v);
        return v;
    };
    const MountedVolume variants[] = {
        changed([](MountedVolume& v) { v.uuid = std::nullopt; }),
        changed([](MountedVolume& v) { v.uuid = QString("UUID-2"); }),
        changed([](MountedVolume& v) { v.name = "Footage 2"; }),
        changed([](MountedVolume& v) { v.userLabel = "Other"; }),
        changed([](MountedVolume& v) { v.mountPath = "/Volumes/Footage 1"; }),
        changed([](MountedVolume& v) { v.nasServer = std::nullopt; }),
        changed([](MountedVolume& v) { v.nasShare = QString(); }),
        changed([](MountedVolume& v) { v.isSystem = true; }),
    };
    for (const MountedVolume& v : variants)
        EXPECT_NE(base, v) << ::testing::PrintToString(v);
}
