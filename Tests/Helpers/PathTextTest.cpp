#include "Support/PathText.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(PathText, lastComponentIgnoresTrailingSlashes) {
    const std::pair<QString, QString> cases[] = {
        {"/Volumes/Media/Wedding.fcpbundle", "Wedding.fcpbundle"},
        {"/Volumes/Media/", "Media"},
        {"name", "name"},
        {"/", ""},
        {"", ""},
    };
    for (const auto& [path, last] : cases)
        EXPECT_EQ(PathText::lastComponent(path), last) << path.toStdString();
}

TEST(PathText, atOrBelowCountsWholeComponentsOnly) {
    struct Case {
        QString path, folder;
        bool expected;
    };
    const Case cases[] = {
        {"/Volumes/Media", "/Volumes/Media", true},
        {"/Volumes/Media/A.fcpbundle", "/Volumes/Media", true},
        {"/Volumes/Media/A.fcpbundle", "/Volumes/Media/", true},
        {"/Volumes/Media2/A.fcpbundle", "/Volumes/Media", false},
        {"/Volumes/Media", "/Volumes/Media/A", false},
        {"/anything", "/", true},
        {"/Volumes/Me", "/Volumes/Media", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathText::isAtOrBelow(c.path, c.folder), c.expected)
            << c.path.toStdString() << " in " << c.folder.toStdString();
}

TEST(PathText, absoluteCleanPathAndChildPath) {
    EXPECT_EQ(PathText::absoluteCleanPath("/Volumes//Media/./x/../"), "/Volumes/Media");
    EXPECT_EQ(PathText::absoluteCleanPath("rel/dir"), QDir::cleanPath(QDir::currentPath() + "/rel/dir"));
    EXPECT_EQ(PathText::childPath("/a", "b"), "/a/b");
    EXPECT_EQ(PathText::childPath("/", "b"), "/b");
}

TEST(PathText, extensionNeedsADotInsideTheName) {
    const std::pair<QString, QString> cases[] = {
        {"clip.MOV", "MOV"}, {"a.b.fcpbundle", "fcpbundle"}, {".hidden", ""}, {"name.", ""}, {"plain", ""},
    };
    for (const auto& [name, ext] : cases)
        EXPECT_EQ(PathText::extension(name), ext) << name.toStdString();
}

TEST(PathText, withoutExtensionDropsExactlyTheExtensionAndItsDot) {
    const std::pair<QString, QString> cases[] = {
        {"clip.MOV", "clip"}, {"a.b.fcpbundle", "a.b"}, {".hidden", ".hidden"},
        {"name.", "name."},   {"plain", "plain"},       {"", ""},
    };
    for (const auto& [name, stem] : cases)
        EXPECT_EQ(PathText::withoutExtension(name), stem) << name.toStdString();
}
