#include "Tests/Fixtures/CollectionRow.h"

#include "Tests/Fixtures/KeyedArchiveWriter.h"

namespace pellimor::fixtures {

namespace {

using Entries = std::vector<std::pair<PlistValue, PlistValue>>;

void put(Entries& entries, const char* key, const std::optional<PlistValue>& value) {
    if (value)
        entries.emplace_back(PlistValue(key), *value);
}

void put(Entries& entries, const char* key, const std::optional<QDateTime>& value) {
    if (value)
        entries.emplace_back(PlistValue(key), PlistValue::date(*value));
}

void putRoles(Entries& entries, const std::optional<std::vector<CollectionRow::Role>>& roles,
              PlistFormat format) {
    if (roles)
        entries.emplace_back(PlistValue("roleSetData"),
                             PlistValue(CollectionRow::roleSetData(*roles, format)));
}

PlistValue roleObject(const CollectionRow::Role& role) {
    std::vector<PlistValue> subRoles;
    for (const CollectionRow::Role& sub : role.subRoles)
        subRoles.push_back(roleObject(sub));
    return PlistValue::object("FFRole",
                              {{"name", role.name}, {"subRoles", PlistValue::array(std::move(subRoles))}});
}

QString fourCharHex(const QString& code) {
    QByteArray bytes = code.toLatin1().left(4);
    while (bytes.size() < 4)
        bytes.append(' ');
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

std::optional<QByteArray> CollectionRow::blob() const {
    if (metadata)
        return metadata;
    if (archiveRoot)
        return KeyedArchiveWriter::archive(*archiveRoot, format);
    return std::nullopt;
}

CollectionRow CollectionRow::asXml() const {
    CollectionRow row = *this;
    row.format = PlistFormat::Xml;
    return row;
}

CollectionRow CollectionRow::withMetadata(const QString& type, const PlistValue& root,
                                          std::optional<QString> identifier, PlistFormat format) {
    CollectionRow row;
    row.type = type;
    row.identifier = std::move(identifier);
    row.archiveRoot = root;
    row.format = format;
    return row;
}

CollectionRow CollectionRow::withBlob(const QString& type, const QByteArray& bytes,
                                      std::optional<QString> identifier) {
    CollectionRow row;
    row.type = type;
    row.identifier = std::move(identifier);
    row.metadata = bytes;
    return row;
}

CollectionRow CollectionRow::identified(const QString& type, const QString& identifier) {
    CollectionRow row;
    row.type = type;
    row.identifier = identifier;
    return row;
}

CollectionRow CollectionRow::library(const QString& identifier) {
    return identified("FFLibrary", identifier);
}

CollectionRow CollectionRow::effect(const QString& type, const QString& effectID,
                                    std::optional<QString> displayName) {
    Entries entries{{"effectID", effectID}};
    if (displayName)
        entries.emplace_back("displayName", *displayName);
    return withMetadata(type, PlistValue::dict(std::move(entries)));
}

CollectionRow CollectionRow::fxPlug(const QString& uuid, std::optional<QString> displayName) {
    return effect("FFFxPlugEffect", "FxPlug:" + uuid, std::move(displayName));
}

CollectionRow CollectionRow::motionTemplate(const QString& path, std::optional<QString> displayName) {
    return effect("FFMotionEffect", path, std::move(displayName));
}

QString CollectionRow::audioUnitID(const QString& type, const QString& subtype, const QString& manufacturer) {
    return "AudioUnit: 0x" + fourCharHex(type) + fourCharHex(subtype) + fourCharHex(manufacturer);
}

CollectionRow CollectionRow::audioUnit(const QString& type, const QString& subtype,
                                       const QString& manufacturer, std::optional<QString> displayName,
                                       const QString& rowType) {
    return effect(rowType, audioUnitID(type, subtype, manufacturer), std::move(displayName));
}

CollectionRow CollectionRow::keyword(const QString& name) {
    return withMetadata("FFMediaEventKeyword", PlistValue::dict({{"name", name}}));
}

CollectionRow CollectionRow::keywordMarker(const QStringList& keywords, bool asSet) {
    PlistValue list = PlistValue::strings(keywords);
    if (asSet)
        list.kind = PlistValue::Kind::Set;
    return withMetadata("FFAnchoredKeywordMarker",
                        PlistValue::dict({{"metadata", PlistValue::dict({{"keywords", list}})}}));
}

CollectionRow CollectionRow::analysisKeywordMarker(const QStringList& keywords, bool asSet) {
    CollectionRow row = keywordMarker(keywords, asSet);
    row.type = "FFAnchoredAnalysisKeywordMarker";
    return row;
}

CollectionRow CollectionRow::timeMarker(const PlistValue& displayName) {
    return withMetadata("FFAnchoredTimeMarker", PlistValue::dict({{"displayName", displayName}}));
}

CollectionRow CollectionRow::anchoredSequence(const Sequence& fields) {
    Entries metadata;
    put(metadata, "FFShareTagsKey", fields.shareTags);
    Entries root;
    put(root, "displayName", fields.displayName);
    put(root, "modDate", fields.modDate);
    root.emplace_back("metadata", PlistValue::dict(std::move(metadata)));
    putRoles(root, fields.roles, PlistFormat::Binary);
    return withMetadata("FFAnchoredSequence", PlistValue::dict(std::move(root)), fields.identifier);
}

CollectionRow CollectionRow::anchoredCollection(const Collection& fields) {
    Entries metadata;
    put(metadata, "com.apple.proapps.studio.notes", fields.notes);
    put(metadata, "reel", fields.reel);
    Entries root;
    put(root, "displayName", fields.displayName);
    root.emplace_back("metadata", PlistValue::dict(std::move(metadata)));
    putRoles(root, fields.roles, PlistFormat::Binary);
    return withMetadata("FFAnchoredCollection", PlistValue::dict(std::move(root)), fields.identifier);
}

CollectionRow CollectionRow::mediaRep(const MediaRep& fields) {
    Entries metadata;
    put(metadata, "com.apple.proapps.cameraName", fields.cameraName);
    put(metadata, "kMDItemAcquisitionMake", fields.make);
    put(metadata, "kMDItemAcquisitionModel", fields.model);
    put(metadata, "kMDItemLensModel", fields.lens);
    put(metadata, "com.apple.proapps.reel", fields.reel);
    Entries root;
    put(root, "videoCodecName", fields.videoCodecName);
    root.emplace_back("metadata", PlistValue::dict(std::move(metadata)));
    return withMetadata("FFMediaRep", PlistValue::dict(std::move(root)), fields.identifier);
}

CollectionRow CollectionRow::eventProject(const std::vector<Role>& roles) {
    Entries root;
    putRoles(root, roles, PlistFormat::Binary);
    return withMetadata("FFMediaEventProject", PlistValue::dict(std::move(root)));
}

CollectionRow CollectionRow::sequenceInfo(const SequenceInfo& fields) {
    Entries metadata;
    put(metadata, "metadataContentCreated", fields.contentCreated);
    Entries root;
    put(root, "mediaRange", fields.mediaRange);
    put(root, "timecodeFrameDuration", fields.timecodeFrameDuration);
    put(root, "videoFormatKey", fields.videoFormatKey);
    put(root, "hasAudio", fields.hasAudio);
    put(root, "audioSampleRate", fields.audioSampleRate);
    root.emplace_back("metadata", PlistValue::dict(std::move(metadata)));
    return withMetadata("FFSequenceInfo", PlistValue::dict(std::move(root)), fields.identifier);
}

PlistValue CollectionRow::roleArchiveRoot(const std::vector<Role>& roles) {
    std::vector<PlistValue> objects;
    for (const Role& role : roles)
        objects.push_back(roleObject(role));
    return PlistValue::array(std::move(objects));
}

QByteArray CollectionRow::roleSetData(const std::vector<Role>& roles, PlistFormat format) {
    return KeyedArchiveWriter::archive(roleArchiveRoot(roles), format);
}

} // namespace pellimor::fixtures
