#include "Manual/ManualDoc.h"

#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ManualDoc, TwoDocumentsByTheirExactNames) {
    EXPECT_EQ(ManualDoc::all(), (QList<ManualDoc>{ManualDoc::manual, ManualDoc::whatsNew}));
    EXPECT_EQ(ManualDoc::manual.rawValue(), "Manual");
    EXPECT_EQ(ManualDoc::whatsNew.id(), "What's New");
    EXPECT_EQ(ManualDoc::manual.resourceName(), "MANUAL");
    EXPECT_EQ(ManualDoc::whatsNew.resourceName(), "CHANGELOG");
    EXPECT_EQ(ManualDoc::fromRawValue("Manual"), ManualDoc::manual);
    EXPECT_EQ(ManualDoc::fromRawValue("What's New"), ManualDoc::whatsNew);
    for (const char* other : {"manual", "What\u2019s New", "Manual ", "", "CHANGELOG"})
        EXPECT_EQ(ManualDoc::fromRawValue(QString::fromUtf8(other)), std::nullopt) << other;
}

TEST(ManualDoc, TheCompiledInDocumentsAreTheSourceTreesBytes) {
    for (const ManualDoc& doc : ManualDoc::all()) {
        const std::optional<QString> text = doc.text();
        ASSERT_TRUE(text) << doc.rawValue().toStdString();
        const ManualDoc::Places places = ManualDoc::standardPlaces();
        const QByteArray source = fileBytes(places.sources + "/" + doc.resourceName() + ".md");
        EXPECT_EQ(fileBytes(places.resources + "/" + doc.resourceName() + ".md"), source);
        EXPECT_EQ(text->toUtf8(), source);
        EXPECT_EQ(doc.baseURL(), QUrl("qrc:/manual/"));
    }
}

TEST(ManualDoc, TheSourceTreeStandsInAndBadTextCountsAsMissing) {
    const QString resources = test::TestEnv::freshDir(QStringLiteral("doc-resources"));
    const QString sources = test::TestEnv::freshDir(QStringLiteral("doc-sources"));
    const ManualDoc::ScopedPlaces scope({resources, sources});

    EXPECT_EQ(ManualDoc::manual.text(), std::nullopt) << "in neither place";
    EXPECT_EQ(ManualDoc::manual.baseURL(), std::nullopt);

    write(sources + "/MANUAL.md", "# From the sources\n");
    EXPECT_EQ(ManualDoc::manual.text(), QStringLiteral("# From the sources\n"));
    EXPECT_EQ(ManualDoc::manual.baseURL(), QUrl::fromLocalFile(sources + "/"));
    EXPECT_EQ(ManualDoc::whatsNew.text(), std::nullopt) << "each document by its own name";

    write(resources + "/MANUAL.md", "# Caf\xc3\xa9 from the resources\n");
    EXPECT_EQ(ManualDoc::manual.text(), QStringLiteral("# Café from the resources\n"));
    EXPECT_EQ(ManualDoc::manual.baseURL(), QUrl::fromLocalFile(resources + "/"));

    write(resources + "/MANUAL.md", "# Latin-1 caf\xe9\n");
    EXPECT_EQ(ManualDoc::manual.text(), QStringLiteral("# From the sources\n"))
        << "not UTF-8: the next place";
    write(sources + "/MANUAL.md", "\xff\xfe# broken\n");
    EXPECT_EQ(ManualDoc::manual.text(), std::nullopt) << "not UTF-8 anywhere: missing";
}
