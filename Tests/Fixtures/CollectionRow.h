#pragma once

#include "Tests/Fixtures/PlistValue.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace pellimor::fixtures {

// One stored object of a library, event or project database: a `ZCOLLECTION` row (`ZTYPE`,
// `ZIDENTIFIER`) and, when it has metadata, its `ZCOLLECTIONMD` row whose `ZDICTIONARYDATA`
// holds a keyed archive of `archiveRoot` (normally a dictionary) or the exact bytes of
// `metadata`. The factories below write the keys the library reader looks for; anything
// else can be built with withMetadata(), withBlob() or by setting the fields.
struct CollectionRow {
    QString type{};
    std::optional<QString> identifier{}; // absent: SQL NULL
    // The root of the metadata archive, written in `format` when the row is stored.
    std::optional<PlistValue> archiveRoot{};
    PlistFormat format = PlistFormat::Binary;
    // Exact metadata bytes; they win over archiveRoot. A null QByteArray is stored as SQL NULL.
    std::optional<QByteArray> metadata{};

    // What goes into `ZDICTIONARYDATA`; absent when the row has no ZCOLLECTIONMD row.
    std::optional<QByteArray> blob() const;
    // The same row with its archive written as an XML property list.
    CollectionRow asXml() const;

    // A role of a role set ("roleSetData"): archived as an object of class "FFRole" with
    // "name" and "subRoles" (a list of the same class).
    struct Role {
        QString name{};
        std::vector<Role> subRoles{};
    };

    // "FFAnchoredSequence"
    struct Sequence {
        std::optional<QString> identifier{};
        std::optional<PlistValue> displayName{};
        std::optional<PlistValue> shareTags{}; // "metadata" → "FFShareTagsKey": text, array or set
        std::optional<QDateTime> modDate{};
        std::optional<std::vector<Role>> roles{};
    };

    // "FFAnchoredCollection" (a clip or compound clip)
    struct Collection {
        std::optional<QString> identifier{};
        std::optional<PlistValue> displayName{};
        std::optional<PlistValue> notes{}; // "metadata" → "com.apple.proapps.studio.notes"
        std::optional<PlistValue> reel{};  // "metadata" → "reel"
        std::optional<std::vector<Role>> roles{};
    };

    // "FFMediaRep" (a clip's source file and its camera data)
    struct MediaRep {
        std::optional<QString> identifier{};
        std::optional<PlistValue> videoCodecName{};
        std::optional<PlistValue> cameraName{}; // "metadata" → "com.apple.proapps.cameraName"
        std::optional<PlistValue> make{};       // "metadata" → "kMDItemAcquisitionMake"
        std::optional<PlistValue> model{};      // "metadata" → "kMDItemAcquisitionModel"
        std::optional<PlistValue> lens{};       // "metadata" → "kMDItemLensModel"
        std::optional<PlistValue> reel{};       // "metadata" → "com.apple.proapps.reel"
    };

    // "FFSequenceInfo" (a project's timeline settings)
    struct SequenceInfo {
        std::optional<QString> identifier{};
        std::optional<PlistValue> mediaRange{};            // "0/1s 3600/30000s"
        std::optional<PlistValue> timecodeFrameDuration{}; // "1001/30000"
        std::optional<PlistValue> videoFormatKey{};        // "FFVideoFormat1080p2997"
        std::optional<PlistValue> hasAudio{};              // a flag
        std::optional<PlistValue> audioSampleRate{};       // a number
        std::optional<QDateTime> contentCreated{};         // "metadata" → "metadataContentCreated"
    };

    // A row of `type` with a keyed archive of `root` as metadata.
    static CollectionRow withMetadata(const QString& type, const PlistValue& root,
                                      std::optional<QString> identifier = std::nullopt,
                                      PlistFormat format = PlistFormat::Binary);
    // A row of `type` with these exact metadata bytes (garbage, a plain plist, nothing...).
    static CollectionRow withBlob(const QString& type, const QByteArray& bytes,
                                  std::optional<QString> identifier = std::nullopt);
    // A row of `type` with an identifier and no metadata (clips, transitions, favourites...).
    static CollectionRow identified(const QString& type, const QString& identifier);

    static CollectionRow library(const QString& identifier); // "FFLibrary"

    // Effects: "FFMotionEffect", "FFFxPlugEffect", "FFAudioUnitEffect",
    // "FFAudioUnitAnalyzingEffect" with "effectID" and, when given, "displayName".
    static CollectionRow effect(const QString& type, const QString& effectID,
                                std::optional<QString> displayName = std::nullopt);
    // "FxPlug:" + uuid
    static CollectionRow fxPlug(const QString& uuid, std::optional<QString> displayName = std::nullopt);
    // A Motion template by its path ("~/Movies/Motion Templates.localized/Titles.localized/...")
    static CollectionRow motionTemplate(const QString& path,
                                        std::optional<QString> displayName = std::nullopt);
    // "AudioUnit: 0x" and the three four-character codes as 24 hexadecimal digits.
    static CollectionRow audioUnit(const QString& type, const QString& subtype, const QString& manufacturer,
                                   std::optional<QString> displayName = std::nullopt,
                                   const QString& rowType = QStringLiteral("FFAudioUnitEffect"));
    static QString audioUnitID(const QString& type, const QString& subtype, const QString& manufacturer);

    static CollectionRow keyword(const QString& name); // "FFMediaEventKeyword" definition
    // "FFAnchoredKeywordMarker" with "metadata" → "keywords" (an array, or a set)
    static CollectionRow keywordMarker(const QStringList& keywords, bool asSet = false);
    static CollectionRow analysisKeywordMarker(const QStringList& keywords, bool asSet = false);
    static CollectionRow timeMarker(const PlistValue& displayName); // "FFAnchoredTimeMarker"

    static CollectionRow anchoredSequence(const Sequence& fields);
    static CollectionRow anchoredCollection(const Collection& fields);
    static CollectionRow mediaRep(const MediaRep& fields);
    static CollectionRow eventProject(const std::vector<Role>& roles); // "FFMediaEventProject"
    static CollectionRow sequenceInfo(const SequenceInfo& fields);

    // The nested archive of a role set: a root array of "FFRole" objects.
    static PlistValue roleArchiveRoot(const std::vector<Role>& roles);
    static QByteArray roleSetData(const std::vector<Role>& roles, PlistFormat format = PlistFormat::Binary);
};

} // namespace pellimor::fixtures
