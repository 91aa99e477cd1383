#include "Compare/Comparer.h"

#include "Catalogue/Records/RowDate.h"
#include "Support/TextCompare.h"

#include <QSet>
#include <algorithm>
#include <optional>
#include <utility>

namespace pellimor::Comparer {

namespace {

constexpr qint64 kResavedSpreadMs = 60'000; // re-saves spread further apart than this
constexpr qint64 kOlderMarginMs = 2'000;    // in date mode, a copy this much earlier is not older
constexpr qint64 kEmptyShellBytes = 999'999;

// One project in one copy.
struct Entry {
    QDateTime date;
    std::optional<QString> fp;
};

// The copies holding one project key, in member order (the order the walk meets them).
using Holders = QList<std::pair<QString, Entry>>;

bool hasProjects(const LibraryInfo& library) {
    return std::any_of(library.events.cbegin(), library.events.cend(),
                       [](const EventInfo& event) { return !event.projects.isEmpty(); });
}

QString count(qint64 n, const QString& word) {
    return QString::number(n) + QLatin1Char(' ') + word + (n == 1 ? QString() : QStringLiteral("s"));
}

QString verdict(const CompareGroup& group) {
    if (group.diverged)
        return QStringLiteral(
            "Copies have diverged — each has changes the other lacks. See the project list.");
    if (!group.isBehind.isEmpty()) {
        QString text =
            QStringLiteral("Newest content: ") + group.copies.first().lib.volumeName + QLatin1Char('.');
        for (qsizetype i = 1; i < group.copies.size(); ++i) {
            const CompareGroup::Copy& copy = group.copies.at(i);
            if (!group.isBehind.contains(copy.lib.path))
                continue;
            QStringList parts;
            if (copy.older > 0)
                parts.append(count(copy.older, QStringLiteral("project")) +
                             QStringLiteral(" edited earlier"));
            if (copy.missing > 0)
                parts.append(QStringLiteral("missing ") + count(copy.missing, QStringLiteral("project")));
            text += QStringLiteral("  ") + copy.lib.volumeName + QStringLiteral(" is behind: ") +
                    parts.join(QStringLiteral(", ")) + QLatin1Char('.');
        }
        return text;
    }
    QString text = QStringLiteral("Identical: all ") + QString::number(group.copies.size()) +
                   QStringLiteral(" copies have the same projects with the same content.");
    if (std::any_of(group.diffs.cbegin(), group.diffs.cend(),
                    [](const CompareGroup::Diff& d) { return d.resaved; }))
        text += QStringLiteral(
            " Save dates differ only because Final Cut re-saves a library when it is opened or "
            "updated.");
    return text;
}

CompareGroup::Diff diffOf(const QString& key, const Holders& holders, const QStringList& memberPaths) {
    CompareGroup::Diff diff;
    diff.key = key;
    for (const QString& path : memberPaths) {
        const bool held = std::any_of(holders.cbegin(), holders.cend(),
                                      [&](const std::pair<QString, Entry>& h) { return h.first == path; });
        if (!held)
            diff.missing.append(path);
    }

    // The first holder with the latest date wins.
    const std::pair<QString, Entry>* best = &holders.first();
    for (const std::pair<QString, Entry>& holder : holders) {
        if (best->second.date < holder.second.date)
            best = &holder;
    }
    diff.winner = best->first;
    const Entry& winner = best->second;

    const bool fingerprints =
        std::all_of(holders.cbegin(), holders.cend(),
                    [](const std::pair<QString, Entry>& h) { return h.second.fp.has_value(); });
    if (fingerprints) {
        QDateTime earliest = winner.date;
        for (const auto& [path, entry] : holders) {
            if (entry.fp != winner.fp)
                diff.older.append(path);
            earliest = std::min(earliest, entry.date);
        }
        diff.resaved = diff.older.isEmpty() && earliest.msecsTo(winner.date) > kResavedSpreadMs;
    } else {
        for (const auto& [path, entry] : holders) {
            if (entry.date.msecsTo(winner.date) > kOlderMarginMs)
                diff.older.append(path);
        }
    }
    for (const auto& [path, entry] : holders)
        diff.dates.insert(path, entry.date);
    return diff;
}

} // namespace

bool isLeftover(const LibraryInfo& library) {
    if (library.path.contains(QStringLiteral("SafetyNet"), Qt::CaseInsensitive))
        return true;
    return !hasProjects(library) && library.totalSize() <= kEmptyShellBytes;
}

QString groupKey(const LibraryInfo& library) {
    // A database without an identifier reads back as the empty text; taken as a key it would
    // make copies of unrelated libraries.
    if (library.libraryIdentifier && !library.libraryIdentifier->isEmpty())
        return *library.libraryIdentifier;
    return QStringLiteral("name:") + library.name.toLower();
}

QList<CompareGroup> groups(const QList<LibraryInfo>& libraries, bool includeLeftovers) {
    QStringList keys; // in order of first appearance
    QHash<QString, QList<LibraryInfo>> members;
    for (const LibraryInfo& library : libraries) {
        if (!includeLeftovers && isLeftover(library))
            continue;
        const QString key = groupKey(library);
        auto it = members.find(key);
        if (it == members.end()) {
            keys.append(key);
            it = members.insert(key, {});
        }
        it->append(library);
    }

    QList<CompareGroup> result;
    for (const QString& key : std::as_const(keys)) {
        const QList<LibraryInfo>& group = members[key];
        if (group.size() >= 2)
            result.append(build(key, group));
    }
    std::stable_sort(result.begin(), result.end(), [](const CompareGroup& a, const CompareGroup& b) {
        return TextCompare::localizedStandard(a.name, b.name) < 0;
    });
    return result;
}

CompareGroup build(const QString& id, const QList<LibraryInfo>& members) {
    CompareGroup group;
    group.id = id;
    if (members.isEmpty())
        return group;

    QStringList memberPaths;
    for (const LibraryInfo& member : members)
        memberPaths.append(member.path);

    QHash<QString, Holders> byKey;
    for (const LibraryInfo& member : members) {
        for (const EventInfo& event : member.events) {
            for (const ProjectInfo& project : event.projects) {
                const QString key = event.name + QStringLiteral(" / ") + project.name;
                const Entry entry{project.modified.value_or(RowDate::distantPast()), project.fingerprint};
                Holders& holders = byKey[key];
                auto same =
                    std::find_if(holders.begin(), holders.end(),
                                 [&](const std::pair<QString, Entry>& h) { return h.first == member.path; });
                if (same != holders.end())
                    same->second = entry; // the later project of one key in one library counts
                else
                    holders.append({member.path, entry});
            }
        }
    }
    QStringList keys = byKey.keys();
    std::sort(keys.begin(), keys.end(), TextCompare::codePointLess);
    for (const QString& key : std::as_const(keys))
        group.diffs.append(diffOf(key, byKey.value(key), memberPaths));

    for (const LibraryInfo& member : members) {
        CompareGroup::Copy copy;
        copy.lib = member;
        copy.lastSaved = lastSaved(member);
        for (const CompareGroup::Diff& diff : std::as_const(group.diffs)) {
            copy.missing += diff.missing.contains(member.path) ? 1 : 0;
            copy.older += diff.older.contains(member.path) ? 1 : 0;
        }
        group.copies.append(std::move(copy));
    }
    std::stable_sort(group.copies.begin(), group.copies.end(),
                     [](const CompareGroup::Copy& a, const CompareGroup::Copy& b) {
                         if (a.behindBy() != b.behindBy())
                             return a.behindBy() < b.behindBy();
                         return a.lib.modified.value_or(RowDate::distantPast()) >
                                b.lib.modified.value_or(RowDate::distantPast());
                     });

    const CompareGroup::Copy& first = group.copies.first();
    group.newestPath = first.lib.path;
    group.name = first.lib.name;
    for (const CompareGroup::Copy& copy : std::as_const(group.copies)) {
        if (copy.behindBy() > 0)
            group.isBehind.insert(copy.lib.path);
    }
    group.diverged = group.isBehind.contains(group.newestPath);
    group.verdict = verdict(group);
    return group;
}

QDateTime lastSaved(const LibraryInfo& library) {
    std::optional<QDateTime> latest;
    for (const EventInfo& event : library.events) {
        for (const ProjectInfo& project : event.projects) {
            if (project.modified && (!latest || *latest < *project.modified))
                latest = project.modified;
        }
    }
    if (latest)
        return *latest;
    return library.modified.value_or(RowDate::distantPast());
}

MediaReport media(const CompareGroup& group, const QList<Catalog::MediaEntry2>& all) {
    QHash<QString, QSet<QString>> sets;
    for (const CompareGroup::Copy& copy : group.copies)
        sets.insert(copy.lib.path, {});
    for (const Catalog::MediaEntry2& row : all) {
        const auto it = sets.find(row.libraryID);
        if (it == sets.end())
            continue;
        it->insert(row.entry.event + QLatin1Char('/') + row.entry.name + QLatin1Char('/') +
                   QString::number(row.entry.size));
    }

    QSet<QString> everything;
    for (const QSet<QString>& set : std::as_const(sets))
        everything.unite(set);

    MediaReport report;
    report.total = int(everything.size());
    for (const CompareGroup::Copy& copy : group.copies) {
        const QString& path = copy.lib.path;
        const QSet<QString>& own = sets[path];
        const int missing = int((everything - own).size());
        if (missing > 0)
            report.missing.insert(path, missing);
        QSet<QString> others;
        for (auto it = sets.cbegin(); it != sets.cend(); ++it) {
            if (it.key() != path)
                others.unite(it.value());
        }
        const int extra = int((own - others).size());
        if (extra > 0)
            report.extra.insert(path, extra);
    }
    report.identical = report.missing.isEmpty();
    return report;
}

} // namespace pellimor::Comparer
