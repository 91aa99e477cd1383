#include "Catalogue/Reader/ArchivedObject.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Reader/PlaceholderUnarchiver.h"
#include "KeyedArchive/KeyedArchivePlist.h"
#include "Support/TextCompare.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace pellimor::LibraryReader {

namespace {

// Lists of an event and of a project stop growing at these sizes; what comes later is dropped.
constexpr qsizetype clipNameCap = 2000;
constexpr qsizetype noteCap = 300;
constexpr qsizetype cameraCap = 200;
constexpr qsizetype roleCap = 200;

// Texts from a database may be stored composed or decomposed ("é" as one character or as "e"
// and a combining accent). Every text is composed before it is compared, counted or kept, so
// the two spellings are one keyword, one marker, one tag.
QString composed(const QString& text) {
    return text.normalized(QString::NormalizationForm_C);
}

// The key under which texts that differ only in letter case are one.
QString caseKey(const QString& composedText) {
    return composedText.toLower();
}

bool isText(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<QString>();
}

std::optional<QVariantMap> asMap(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QVariantMap>())
        return value.toMap();
    return std::nullopt;
}

// Archived arrays and sets both decode to lists.
QVariantList elements(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QVariantList>())
        return value.toList();
    if (value.metaType() == QMetaType::fromType<QStringList>()) {
        QVariantList list;
        for (const QString& text : value.toStringList())
            list.append(text);
        return list;
    }
    return {};
}

char32_t codePointAt(const QString& text, qsizetype& i) {
    const QChar c = text[i++];
    if (c.isHighSurrogate() && i < text.size() && text[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[i++]);
    return c.unicode();
}

// Share tags are ordered as words in the user's language, letter case ignored, numbers as
// plain characters.
void sortShareTags(QStringList& tags) {
    std::sort(tags.begin(), tags.end(), [](const QString& a, const QString& b) {
        return TextCompare::localizedCaseInsensitive(a, b) < 0;
    });
}

// Analysis keywords are stored as identifiers ("FFOrganizerOnePerson", "WideShot"); they are
// listed as words and marked as assigned by the analysis, not by the editor.
QString analysisKeywordText(QString keyword) {
    static const QString prefix = QStringLiteral("FFOrganizer");
    static const QRegularExpression wordBoundary(QStringLiteral("([a-z])([A-Z])"));
    if (keyword.startsWith(prefix))
        keyword.remove(0, prefix.size());
    keyword.replace(wordBoundary, QStringLiteral("\\1 \\2"));
    return keyword + QStringLiteral(" (auto)");
}

// Keywords that differ only in letter case are one keyword, shown in the spelling met first.
struct KeywordCounter {
    QMap<QString, qint64> counts;
    QHash<QString, QString> spellings;

    void add(const QString& name, qint64 uses) {
        const QString text = composed(name);
        const QString key = caseKey(text);
        auto spelling = spellings.find(key);
        if (spelling == spellings.end())
            spelling = spellings.insert(key, text);
        counts[*spelling] += uses;
    }
};

bool isTrimmedAway(char32_t c) {
    if (QChar::isSpace(c))
        return true;
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

// White space, line breaks and control characters (format characters such as a byte-order
// mark or a zero-width joiner included) off both ends, whole characters at a time.
QString trimmedName(const QString& text) {
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype next = start;
        if (!isTrimmedAway(codePointAt(text, next)))
            break;
        start = next;
    }
    qsizetype end = text.size();
    while (end > start) {
        qsizetype last = end - 1;
        if (text[last].isLowSurrogate() && last > start && text[last - 1].isHighSurrogate())
            --last;
        qsizetype probe = last;
        if (!isTrimmedAway(codePointAt(text, probe)))
            break;
        end = last;
    }
    return text.mid(start, end - start);
}

// A list of distinct texts that stops growing at its cap.
struct CappedSet {
    qsizetype cap;
    QSet<QString> texts{};

    bool full() const { return texts.size() >= cap; }

    // Clip names, notes, camera data and role names as an editor would search them: trimmed,
    // and never Final Cut Pro's placeholder name for a clip.
    void keepName(const QString& name) {
        if (full())
            return;
        const QString text = composed(trimmedName(name));
        if (!text.isEmpty() && text != QStringLiteral("Untitled"))
            texts.insert(text);
    }

    void keep(const QVariant& value) {
        if (isText(value))
            keepName(value.toString());
    }

    QList<QString> sorted() const {
        QList<QString> list(texts.begin(), texts.end());
        std::sort(list.begin(), list.end(), TextCompare::lessThan);
        return list;
    }
};

// Keys of a media representation's "metadata" that describe the camera, in the order listed.
const char* const cameraKeys[] = {
    "com.apple.proapps.cameraName", "kMDItemAcquisitionMake", "kMDItemAcquisitionModel", "kMDItemLensModel",
    "com.apple.proapps.reel",
};

void keepRoles(const QByteArray& roleSetData, CappedSet& roles) {
    const std::optional<QVariant> root = PlaceholderUnarchiver::unarchive(roleSetData);
    if (!root || root->metaType() != QMetaType::fromType<QVariantList>())
        return;
    for (const QVariant& element : root->toList()) {
        // A role set of thousands of entries costs nothing more once the list is full.
        if (roles.full())
            return;
        const std::optional<ArchivedObject> role = ArchivedObject::from(element);
        if (!role)
            continue;
        // Final Cut Pro's own roles are left out however their name is padded; their custom
        // sub-roles ("Dialogue-1") are the editor's own and are kept.
        if (role->name && !builtInRoles().contains(caseKey(composed(trimmedName(*role->name)))))
            roles.keepName(*role->name);
        if (!role->subRoles)
            continue;
        for (const QVariant& subElement : *role->subRoles) {
            const std::optional<ArchivedObject> subRole = ArchivedObject::from(subElement);
            if (subRole && subRole->name)
                roles.keepName(*subRole->name);
        }
    }
}

QString quotedList(const QStringList& texts) {
    QStringList quoted;
    for (QString text : texts) {
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        quoted.append(QLatin1Char('"') + text + QLatin1Char('"'));
    }
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

void printLine(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

const QSet<QString>& builtInRoles() {
    static const QSet<QString> roles = {
        QStringLiteral("video"),     QStringLiteral("titles"),          QStringLiteral("dialogue"),
        QStringLiteral("music"),     QStringLiteral("effects"),         QStringLiteral("adjustments"),
        QStringLiteral("subtitles"), QStringLiteral("mixedrolegroups"), QStringLiteral("itt"),
        QStringLiteral("srt"),       QStringLiteral("cea-608"),         QStringLiteral("captions"),
    };
    return roles;
}

TagData readTags(sqlite3* db, bool includeDefinitions, int markerCap) {
    TagData tags;
    if (!db)
        return tags;

    KeywordCounter keywords;
    if (includeDefinitions) {
        // A keyword defined in the event is listed even when nothing is tagged with it yet.
        for (const auto& [type, blob] : queryBlobs(db, Statement::keywordDefinitions)) {
            const std::optional<QVariantMap> root = KeyedArchivePlist::decode(blob);
            if (!root)
                continue;
            const QVariant name = root->value(QStringLiteral("name"));
            if (isText(name) && !name.toString().isEmpty())
                keywords.add(name.toString(), 0);
        }
    }

    QSet<QString> markers;
    for (const auto& [type, blob] : queryBlobs(db, Statement::markers)) {
        const std::optional<QVariantMap> root = KeyedArchivePlist::decode(blob);
        if (!root)
            continue;
        if (type == QLatin1String("FFAnchoredTimeMarker")) {
            const QVariant name = root->value(QStringLiteral("displayName"));
            if (markers.size() < markerCap && isText(name) && !name.toString().isEmpty())
                markers.insert(composed(name.toString()));
            continue;
        }
        const std::optional<QVariantMap> metadata = asMap(root->value(QStringLiteral("metadata")));
        if (!metadata)
            continue;
        const bool byAnalysis = type == QLatin1String("FFAnchoredAnalysisKeywordMarker");
        for (const QVariant& keyword : elements(metadata->value(QStringLiteral("keywords")))) {
            if (!isText(keyword) || keyword.toString().isEmpty())
                continue;
            const QString text = composed(keyword.toString());
            keywords.add(byAnalysis ? analysisKeywordText(text) : text, 1);
        }
    }
    tags.keywords = keywords.counts;
    tags.markerNames = QList<QString>(markers.begin(), markers.end());
    std::sort(tags.markerNames.begin(), tags.markerNames.end(), TextCompare::codePointLess);

    QHash<QString, QString> shareTags; // case key → first spelling
    for (const auto& [type, blob] : queryBlobs(db, Statement::shareTags)) {
        const std::optional<QVariantMap> root = KeyedArchivePlist::decode(blob);
        if (!root)
            continue;
        const std::optional<QVariantMap> metadata = asMap(root->value(QStringLiteral("metadata")));
        if (!metadata)
            continue;
        for (const QString& tag : shareTagList(metadata->value(QStringLiteral("FFShareTagsKey")))) {
            const QString key = caseKey(tag);
            if (!shareTags.contains(key))
                shareTags.insert(key, tag);
        }
    }
    tags.metaTags = shareTags.values();
    sortShareTags(tags.metaTags);
    return tags;
}

QStringList shareTagList(const QVariant& value) {
    QStringList raw;
    if (isText(value)) {
        raw.append(value.toString());
    } else {
        for (const QVariant& element : elements(value)) {
            if (isText(element))
                raw.append(element.toString());
        }
    }

    QStringList kept;
    QSet<QString> seen;
    for (const QString& text : raw) {
        for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString tag = composed(piece.trimmed());
            if (tag.isEmpty())
                continue;
            const QString key = caseKey(tag);
            if (seen.contains(key))
                continue;
            seen.insert(key);
            kept.append(tag);
        }
    }
    sortShareTags(kept);
    return kept;
}

void fillSearchText(EventInfo& event, sqlite3* db) {
    // Set even without a database, so an unreadable event is not read again at every scan.
    event.tagsVersion = tagsVersion;
    event.clipNames = QList<QString>();
    event.notes = QList<QString>();
    event.cameraInfo = QList<QString>();
    event.roles = QList<QString>();
    if (!db)
        return;

    CappedSet clipNames{clipNameCap};
    CappedSet notes{noteCap};
    CappedSet camera{cameraCap};
    CappedSet roles{roleCap};

    for (const auto& [type, blob] : queryBlobs(db, Statement::searchText)) {
        const std::optional<QVariant> unarchived = PlaceholderUnarchiver::unarchive(blob);
        if (!unarchived)
            continue;
        const std::optional<QVariantMap> root = asMap(*unarchived);
        if (!root)
            continue;
        const QVariantMap metadata = asMap(root->value(QStringLiteral("metadata"))).value_or(QVariantMap());

        if (type == QLatin1String("FFMediaRep")) {
            camera.keep(root->value(QStringLiteral("videoCodecName")));
            for (const char* key : cameraKeys)
                camera.keep(metadata.value(QLatin1String(key)));
            continue;
        }
        if (type != QLatin1String("FFMediaEventProject")) {
            clipNames.keep(root->value(QStringLiteral("displayName")));
            notes.keep(metadata.value(QStringLiteral("com.apple.proapps.studio.notes")));
            camera.keep(metadata.value(QStringLiteral("reel")));
        }
        const QVariant roleSetData = root->value(QStringLiteral("roleSetData"));
        if (roleSetData.metaType() == QMetaType::fromType<QByteArray>())
            keepRoles(roleSetData.toByteArray(), roles);
    }

    event.clipNames = clipNames.sorted();
    event.notes = notes.sorted();
    event.cameraInfo = camera.sorted();
    event.roles = roles.sorted();
}

bool selfTestShareTags() {
    const QStringList split = shareTagList(QVariantList{QStringLiteral("desert,  Battery ,desert")});
    if (split != QStringList{QStringLiteral("Battery"), QStringLiteral("desert")}) {
        printLine(QStringLiteral("share tags: split ") + quotedList(split));
        return false;
    }
    if (shareTagList(QStringLiteral("solo")) != QStringList{QStringLiteral("solo")}) {
        printLine(QStringLiteral("share tags: string"));
        return false;
    }
    if (!shareTagList(QVariant()).isEmpty()) {
        printLine(QStringLiteral("share tags: nil"));
        return false;
    }
    return true;
}

} // namespace pellimor::LibraryReader
