#include "Browser/EventBlockText.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"
#include "Support/ByteSum.h"
#include "Support/TextCompare.h"
#include "Support/TextFold.h"

#include <QList>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace pellimor::EventBlockText {

namespace {

constexpr qsizetype kShownFormats = 3;
constexpr qsizetype kShownKeywords = 10;
const QString kJoin = QStringLiteral(" · ");

// The entries of a count map, most frequent first, equal counts in code-point order.
QList<std::pair<QString, qint64>> byCount(const QMap<QString, qint64>& counts) {
    QList<std::pair<QString, qint64>> entries;
    entries.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        entries.append({it.key(), it.value()});
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second)
            return a.second > b.second;
        return TextCompare::codePointLess(a.first, b.first);
    });
    return entries;
}

} // namespace

QString summary(const EventInfo& event) {
    return ByteCount::file(event.totalSize()) + kJoin + QString::number(event.mediaFileCount) +
           QStringLiteral(" media files") + formats(event);
}

QString formats(const EventInfo& event) {
    const QList<std::pair<QString, qint64>> entries = byCount(event.extensions);
    if (entries.isEmpty())
        return {};
    QStringList items;
    for (qsizetype i = 0; i < std::min(entries.size(), kShownFormats); ++i)
        items.append(entries[i].first.toUpper() + u' ' + QString::number(entries[i].second));
    return kJoin + items.join(QStringLiteral(", "));
}

std::optional<QString> missingLine(const EventInfo& event) {
    if (event.brokenLinkCount < 1)
        return std::nullopt;
    return QString::number(event.brokenLinkCount) + QStringLiteral(" linked files missing");
}

std::optional<QString> keywordsLine(const EventInfo& event) {
    if (!event.keywords || event.keywords->isEmpty())
        return std::nullopt;
    const QList<std::pair<QString, qint64>> entries = byCount(*event.keywords);
    QStringList shown;
    for (qsizetype i = 0; i < std::min(entries.size(), kShownKeywords); ++i)
        shown.append(entries[i].first);
    QString line = shown.join(QStringLiteral(", "));
    if (entries.size() > kShownKeywords)
        line += QStringLiteral(" … +") + QString::number(entries.size() - kShownKeywords) +
                QStringLiteral(" more");
    return line;
}

QString details(const ProjectInfo& project) {
    QStringList parts;
    if (project.duration)
        parts.append(Fmt::duration(*project.duration));
    if (project.format)
        parts.append(*project.format);
    if (project.modified)
        parts.append(QStringLiteral("edited ") + Fmt::dateOrDash(*project.modified));
    if (project.clipCount > 0)
        parts.append(QString::number(project.clipCount) + QStringLiteral(" clips"));
    if (project.transitionCount > 0)
        parts.append(QString::number(project.transitionCount) + QStringLiteral(" transitions"));
    // Counts come from the catalogue as stored; a sum that cannot be written is as large as can be.
    if (ByteSum::saturatingAdd(project.keywordMarkers, project.favoriteMarkers) > 0)
        parts.append(QString::number(project.keywordMarkers) + QStringLiteral(" keywords, ") +
                     QString::number(project.favoriteMarkers) + QStringLiteral(" favourites"));
    if (project.hasAudio == false)
        parts.append(QStringLiteral("no audio"));
    return parts.join(kJoin);
}

QString symbol(const ProjectInfo& project) {
    return TextFold::localizedCaseInsensitiveContains(project.name, QStringLiteral("snapshot"))
               ? QStringLiteral("camera.on.rectangle")
               : QStringLiteral("film");
}

bool isFocused(const std::optional<ProjectFocus>& focus, const QString& event, const ProjectInfo& project) {
    return focus && focus->names(event, project.name);
}

} // namespace pellimor::EventBlockText
