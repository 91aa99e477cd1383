#pragma once

// The stored form shared by every catalogue record: one place for the date forms and for
// the strict reading and writing of JSON, so each record only lists its fields (once, for
// both directions: see RecordWriter.h and RecordReader.h).
//
// Records go straight between their fields and the bytes of a file; no JSON value tree is
// built on the way, because the catalogue and the media lists run to tens of megabytes and
// a tree of QJsonValues costs several times the parsing itself. The QJsonObject and
// QJsonArray forms below are for the few callers that want to look at or edit a record as
// JSON values (diagnostics, tests); they go through the same bytes.
//
// Reading is strict: a value of the wrong type (text for a number, a fraction for an
// integer, null where a value is required) fails, and the failure of any nested value
// fails everything that holds it. Members whose keys are no field names are ignored. A key
// given twice in one object, at any depth, fails the whole document: the program never writes
// one, and reading either value would lose the other. Writing fails as a whole when a number has no
// JSON form (not finite) or a date is invalid; nothing is ever written as null. Text that is
// not valid UTF-16 (an unpaired surrogate) is written with U+FFFD in its place, as any UTF-8
// the program writes.
//
// All functions are pure and may run on any thread.

#include "Support/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

struct EventInfo;
struct LibraryInfo;
struct MediaEntry;
struct PendingDir;
struct PluginUse;
struct ProjectInfo;
struct ScanJob;
struct ScanRoot;
class RecordReader;
class RecordWriter;

namespace RecordJson {

// How a file stores dates: seconds since 1970-01-01T00:00:00Z ("catalog.json") or since
// 2001-01-01T00:00:00Z ("scanjob.json"), as JSON numbers with the fraction kept.
enum class DateForm { Since1970, Since2001 };

// Seconds in the given form; absent for an invalid date.
std::optional<double> secondsFor(const QDateTime& date, DateForm form);
// The UTC date for seconds in the given form, to the millisecond; absent when the number is
// not finite or lies beyond the dates a QDateTime can hold exactly (about ±270000 years).
std::optional<QDateTime> dateFor(double seconds, DateForm form);

// Where a value failed and why. `path` is empty for the value itself, else like
// "events[2].projects[0].clipCount".
struct Problem {
    QString path;
    QString why;

    // Puts a key ("events") or an index ("[2]") in front of the path.
    void under(const QString& segment);
    QString text() const;
};

// The fields of each record, in declaration order: written by `write`, read by `read`
// (defined beside each record).
void write(RecordWriter& writer, const EventInfo& record);
void write(RecordWriter& writer, const LibraryInfo& record);
void write(RecordWriter& writer, const MediaEntry& record);
void write(RecordWriter& writer, const PendingDir& record);
void write(RecordWriter& writer, const PluginUse& record);
void write(RecordWriter& writer, const ProjectInfo& record);
void write(RecordWriter& writer, const ScanJob& record);
void write(RecordWriter& writer, const ScanRoot& record);
void read(RecordReader& reader, EventInfo& record);
void read(RecordReader& reader, LibraryInfo& record);
void read(RecordReader& reader, MediaEntry& record);
void read(RecordReader& reader, PendingDir& record);
void read(RecordReader& reader, PluginUse& record);
void read(RecordReader& reader, ProjectInfo& record);
void read(RecordReader& reader, ScanJob& record);
void read(RecordReader& reader, ScanRoot& record);

// A record type with a JSON form: one of the eight above.
template <typename R>
concept JsonRecord = requires(RecordWriter& writer, RecordReader& reader, const R& record, R& out) {
    write(writer, record);
    read(reader, out);
};

// ---- Whole files (compact UTF-8 JSON). Malformed or truncated JSON, and a document of the
// other shape, give an error.

// A file holding one JSON array of records.
template <JsonRecord R> Result<QByteArray> encodeListBytes(const QList<R>& records, DateForm form);
template <JsonRecord R> Result<QList<R>> decodeListBytes(const QByteArray& bytes, DateForm form);
// A file holding one record as a JSON object.
template <JsonRecord R> Result<QByteArray> encodeRecordBytes(const R& record, DateForm form);
template <JsonRecord R> Result<R> decodeRecordBytes(const QByteArray& bytes, DateForm form);

// ---- The same as JSON values.

template <JsonRecord R> Result<QJsonObject> toObject(const R& record, DateForm form);
template <JsonRecord R> Result<R> fromObject(const QJsonObject& object, DateForm form);
template <JsonRecord R> Result<QJsonArray> encodeList(const QList<R>& records, DateForm form);
template <JsonRecord R> Result<QList<R>> decodeList(const QJsonArray& array, DateForm form);

// The top-level object or array of a document, as JSON values.
Result<QJsonObject> parseObject(const QByteArray& bytes);
Result<QJsonArray> parseArray(const QByteArray& bytes);

// Compact UTF-8 JSON text of a document.
QByteArray compact(const QJsonObject& object);
QByteArray compact(const QJsonArray& array);

} // namespace RecordJson

} // namespace pellimor
