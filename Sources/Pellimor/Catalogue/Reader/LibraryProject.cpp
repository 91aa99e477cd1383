#include "Catalogue/Reader/LibraryReader.h"
#include "KeyedArchive/KeyedArchivePlist.h"
#include "Support/FileTimes.h"
#include "Support/TextCompare.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <sqlite3.h>

namespace pellimor::LibraryReader {

namespace {

const QString kProjectDatabase = QStringLiteral("CurrentVersion.fcpevent");

// A database that opens is not yet one we can read: SQLite opens any file lazily, so a
// damaged or foreign file only shows itself when a statement is prepared. Such a file must
// not pass for a project that holds nothing, or every damaged copy would share the
// fingerprint of an empty timeline.
bool holdsProjectTables(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(db, Statement::projectIdentifiers, -1, &statement, nullptr);
    sqlite3_finalize(statement);
    return rc == SQLITE_OK;
}

void readCounts(sqlite3* db, ProjectInfo& project) {
    for (const auto& [type, countText] : query(db, Statement::projectCounts)) {
        bool ok = false;
        qint64 count = countText.toLongLong(&ok);
        if (!ok)
            count = 0;
        if (type == QLatin1String("FFAnchoredClip") || type == QLatin1String("FFAnchoredCollection"))
            project.clipCount += count;
        else if (type == QLatin1String("FFAnchoredTransition"))
            project.transitionCount = count;
        else if (type == QLatin1String("FFAnchoredKeywordMarker"))
            project.keywordMarkers = count;
        else if (type == QLatin1String("FFAnchoredFavoriteMarker"))
            project.favoriteMarkers = count;
    }
}

// Depends only on which objects the project holds, by class and identifier: neither their
// order in the database nor any time or size enters it, so two copies of one edit agree.
QString fingerprint(sqlite3* db) {
    QStringList lines;
    for (const auto& [type, identifier] : query(db, Statement::projectIdentifiers))
        lines.append(type + QLatin1Char('|') + identifier);
    std::sort(lines.begin(), lines.end(), TextCompare::codePointLess);
    const QByteArray digest =
        QCryptographicHash::hash(lines.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.left(8).toHex());
}

// A plain decimal number: sign, digits, point, exponent, and nothing else — no blanks, no
// unit letters ("30000s"), no "inf" or "nan".
std::optional<double> decimalNumber(const QString& text) {
    static const QRegularExpression decimal(
        QStringLiteral("\\A[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?\\z"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "1001/30000" is the length of one frame in seconds; the rate is its inverse.
std::optional<double> frameRateOf(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    const QStringList parts = value.toString().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<double> seconds = decimalNumber(parts[0]);
    const std::optional<double> frames = decimalNumber(parts[1]);
    if (!seconds || !frames || *seconds == 0)
        return std::nullopt;
    const double rate = *frames / *seconds;
    // A catalogue cannot store an infinite rate, so an absurd one counts as unreadable.
    if (!std::isfinite(rate))
        return std::nullopt;
    return rate;
}

std::optional<QString> textOf(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return value.toString();
}

std::optional<double> numberOf(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (!std::isfinite(number))
            return std::nullopt;
        return number;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QDateTime> dateOf(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QDateTime>())
        return std::nullopt;
    const QDateTime when = value.toDateTime();
    if (!when.isValid())
        return std::nullopt;
    return when.toUTC();
}

void readSequence(sqlite3* db, ProjectInfo& project) {
    std::optional<double> knownRate;
    for (const auto& [type, blob] : queryBlobs(db, Statement::sequenceInfo)) {
        const std::optional<QVariantMap> root = KeyedArchivePlist::decode(blob);
        if (!root)
            continue;
        if (type == QLatin1String("FFSequenceInfo")) {
            if (const std::optional<QString> range = textOf(root->value(QStringLiteral("mediaRange")))) {
                const std::optional<double> duration = parseDuration(*range);
                project.duration = duration && std::isfinite(*duration) ? duration : std::optional<double>();
            }
            if (const std::optional<double> rate =
                    frameRateOf(root->value(QStringLiteral("timecodeFrameDuration")))) {
                project.frameRate = rate;
                knownRate = rate;
            }
            project.format = friendlyFormat(textOf(root->value(QStringLiteral("videoFormatKey"))), knownRate);
            const QVariant hasAudio = root->value(QStringLiteral("hasAudio"));
            project.hasAudio = hasAudio.metaType() == QMetaType::fromType<bool>()
                                   ? std::optional<bool>(hasAudio.toBool())
                                   : std::nullopt;
            project.sampleRate = numberOf(root->value(QStringLiteral("audioSampleRate")));
            const QVariant metadata = root->value(QStringLiteral("metadata"));
            if (metadata.metaType() == QMetaType::fromType<QVariantMap>()) {
                if (const std::optional<QDateTime> created =
                        dateOf(metadata.toMap().value(QStringLiteral("metadataContentCreated"))))
                    project.created = created;
            }
        } else if (type == QLatin1String("FFAnchoredSequence")) {
            if (const std::optional<QDateTime> modified = dateOf(root->value(QStringLiteral("modDate"))))
                project.modified = modified;
        }
    }
}

} // namespace

ProjectInfo readProject(const QString& projectFolder) {
    ProjectInfo project;
    project.name = QFileInfo(QDir::cleanPath(projectFolder)).fileName();
    project.fileSize = allocatedSize(projectFolder);
    project.created = FileTimes::created(projectFolder);
    project.modified = FileTimes::modified(projectFolder);

    const Database db = openReadOnly(QDir(projectFolder).filePath(kProjectDatabase));
    if (!db || !holdsProjectTables(db.get()))
        return project;

    readCounts(db.get(), project);
    project.fingerprint = fingerprint(db.get());

    const TagData tags = readTags(db.get(), false, 200);
    QStringList keywords = tags.keywords.keys();
    std::sort(keywords.begin(), keywords.end(), TextCompare::codePointLess);
    project.keywords = keywords;
    project.metaTags = tags.metaTags;
    project.markerNames = tags.markerNames;

    project.plugins = readPlugins(db.get());
    readSequence(db.get(), project);
    return project;
}

} // namespace pellimor::LibraryReader
