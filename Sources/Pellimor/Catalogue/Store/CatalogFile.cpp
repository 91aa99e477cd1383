#include "Catalogue/Store/CatalogFile.h"

#include "Catalogue/Records/RecordJson.h"
#include "Catalogue/Records/RecordReader.h"
#include "Catalogue/Records/RecordWriter.h"
#include "Support/ParallelChunks.h"
#include "Support/WorkPool.h"

#include <QThreadPool>
#include <algorithm>
#include <cstring>
#include <vector>

namespace pellimor::CatalogFile {

namespace {

using RecordJson::DateForm;

// How the file begins when this program wrote it: the pieces go by that shape only.
constexpr char kHead[] = "{\"libraries\":[";
constexpr qsizetype kHeadSize = sizeof(kHead) - 1;
// Fewer records than this in a piece cost more to hand out than to do.
constexpr qsizetype kLeastPerPiece = 16;

qsizetype pieceCount(qsizetype records) {
    const qsizetype threads = std::max(1, workPool()->maxThreadCount());
    return std::clamp<qsizetype>(records / kLeastPerPiece, 1, threads * 4);
}

// The members after "libraries", into an object being written.
void writeRest(RecordWriter& w, const Contents& contents) {
    w("roots", contents.roots);
    w("driveRoles", contents.driveRoles);
    if (contents.favorites && !contents.favorites->isEmpty())
        w("favorites", *contents.favorites);
}

Result<QByteArray> encodeWhole(const Contents& contents) {
    RecordWriter w(DateForm::Since1970);
    w.startObject();
    w("libraries", contents.libraries);
    writeRest(w, contents);
    w.endObject();
    return w.finish();
}

void readRest(RecordReader& r, Contents& contents) {
    r("roots", contents.roots);
    r("driveRoles", contents.driveRoles);
    r("favorites", contents.favorites);
}

Result<Contents> decodeWhole(const QByteArray& bytes) {
    rapidjson::Document document;
    if (const std::optional<QString> error = RecordJson::parse(bytes, RecordJson::Shape::object, document))
        return Failure{*error};
    RecordReader r(document, DateForm::Since1970);
    Contents contents;
    r("libraries", contents.libraries);
    readRest(r, contents);
    return r.finish(std::move(contents));
}

// Where each element of the array that begins at `from` (just after its "[") starts and ends,
// and where the array's "]" is; nothing unless every element is an object. Strings are
// stepped over with their escapes, so brackets inside names count for nothing; whatever else
// is wrong with the text is left to the parse of the pieces.
struct Elements {
    std::vector<qsizetype> starts;
    std::vector<qsizetype> ends; // one past each element's "}"
    qsizetype close = -1;        // the array's "]"
};

bool isBlank(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

std::optional<Elements> findElements(const QByteArray& bytes, qsizetype from) {
    const char* const text = bytes.constData();
    const qsizetype size = bytes.size();
    Elements found;
    qsizetype at = from;
    const auto skipBlanks = [&] {
        while (at < size && isBlank(text[at]))
            ++at;
    };
    skipBlanks();
    if (at < size && text[at] == ']') {
        found.close = at;
        return found;
    }
    for (;;) {
        skipBlanks();
        if (at >= size || text[at] != '{')
            return std::nullopt;
        found.starts.push_back(at);
        qsizetype depth = 0;
        for (; at < size; ++at) {
            const char c = text[at];
            if (c == '"') {
                // To the closing quote: a backslash takes the character after it along.
                for (++at; at < size && text[at] != '"'; ++at) {
                    if (text[at] == '\\')
                        ++at;
                }
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (--depth == 0)
                    break;
            }
        }
        if (at >= size)
            return std::nullopt;
        found.ends.push_back(++at);
        skipBlanks();
        if (at >= size)
            return std::nullopt;
        if (text[at] == ']') {
            found.close = at;
            return found;
        }
        if (text[at] != ',')
            return std::nullopt;
        ++at;
    }
}

// The pieces' way: nothing when the file is not as this program writes it or when any piece
// fails, so that the whole is read again for its reason.
std::optional<Contents> decodeInPieces(const QByteArray& bytes) {
    if (!bytes.startsWith(kHead))
        return std::nullopt;
    const std::optional<Elements> elements = findElements(bytes, kHeadSize);
    if (!elements)
        return std::nullopt;

    // The members after the array, as an object of their own.
    qsizetype rest = elements->close + 1;
    while (rest < bytes.size() && isBlank(bytes.at(rest)))
        ++rest;
    if (rest >= bytes.size())
        return std::nullopt;
    QByteArray restBytes("{");
    if (bytes.at(rest) == ',')
        restBytes.append(QByteArrayView(bytes).sliced(rest + 1));
    else if (bytes.at(rest) == '}')
        restBytes.append(QByteArrayView(bytes).sliced(rest));
    else
        return std::nullopt;

    const qsizetype count = qsizetype(elements->starts.size());
    const qsizetype pieces = pieceCount(count);
    std::vector<std::optional<QList<LibraryInfo>>> decoded(size_t(std::max<qsizetype>(pieces, 1)));
    std::optional<Contents> contents;
    // The members after the array are decoded by the pieces' helpers too: one more piece.
    runInChunks(pieces + 1, pieces + 1, [&](qsizetype first, qsizetype last) {
        for (qsizetype piece = first; piece < last; ++piece) {
            if (piece == pieces) {
                rapidjson::Document document;
                if (RecordJson::parse(restBytes, RecordJson::Shape::object, document))
                    continue;
                // A second "libraries" is a key given twice, which the whole's parse reports.
                if (document.HasMember("libraries"))
                    continue;
                RecordReader r(document, DateForm::Since1970);
                Contents rest;
                readRest(r, rest);
                Result<Contents> finished = r.finish(std::move(rest));
                if (finished.ok())
                    contents = std::move(finished.value());
                continue;
            }
            if (count == 0) {
                decoded[size_t(piece)].emplace();
                continue;
            }
            const qsizetype begin = count * piece / pieces;
            const qsizetype end = count * (piece + 1) / pieces;
            const qsizetype from = elements->starts[size_t(begin)];
            const qsizetype to = elements->ends[size_t(end - 1)];
            QByteArray array;
            array.reserve(to - from + 2);
            array.append('[');
            array.append(QByteArrayView(bytes).sliced(from, to - from));
            array.append(']');
            Result<QList<LibraryInfo>> records =
                RecordJson::decodeListBytes<LibraryInfo>(array, DateForm::Since1970);
            if (records.ok() && records.value().size() == end - begin)
                decoded[size_t(piece)] = std::move(records.value());
        }
    });
    if (!contents)
        return std::nullopt;
    for (const std::optional<QList<LibraryInfo>>& piece : decoded) {
        if (!piece)
            return std::nullopt;
    }
    contents->libraries.reserve(count);
    for (std::optional<QList<LibraryInfo>>& piece : decoded)
        contents->libraries.append(std::move(*piece));
    return contents;
}

} // namespace

Result<QByteArray> encode(const Contents& contents, qsizetype spreadFrom) {
    const QList<LibraryInfo>& libraries = contents.libraries;
    if (libraries.size() < std::max<qsizetype>(spreadFrom, 2 * kLeastPerPiece))
        return encodeWhole(contents);

    const qsizetype pieces = pieceCount(libraries.size());
    std::vector<Result<QByteArray>> encoded(size_t(pieces), Failure{QString()});
    runInChunks(pieces, pieces, [&](qsizetype first, qsizetype last) {
        for (qsizetype piece = first; piece < last; ++piece) {
            const qsizetype begin = libraries.size() * piece / pieces;
            const qsizetype end = libraries.size() * (piece + 1) / pieces;
            encoded[size_t(piece)] =
                RecordJson::encodeListBytes(libraries.mid(begin, end - begin), DateForm::Since1970);
        }
    });
    RecordWriter restWriter(DateForm::Since1970);
    restWriter.startObject();
    writeRest(restWriter, contents);
    restWriter.endObject();
    const Result<QByteArray> rest = restWriter.finish();
    // The whole names the record and the field that has no JSON form.
    if (!rest.ok() ||
        std::any_of(encoded.begin(), encoded.end(), [](const auto& piece) { return !piece.ok(); }))
        return encodeWhole(contents);

    // Each piece is "[records]" and the rest "{members}": the whole is their insides joined.
    qsizetype size = kHeadSize + rest.value().size() + 1;
    for (const Result<QByteArray>& piece : encoded)
        size += piece.value().size() - 1;
    QByteArray bytes;
    bytes.reserve(size);
    bytes.append(kHead, kHeadSize);
    for (size_t i = 0; i < encoded.size(); ++i) {
        const QByteArray& piece = encoded[i].value();
        if (i > 0)
            bytes.append(',');
        bytes.append(QByteArrayView(piece).sliced(1, piece.size() - 2));
    }
    bytes.append("],");
    bytes.append(QByteArrayView(rest.value()).sliced(1));
    return bytes;
}

Result<Contents> decode(const QByteArray& bytes, qsizetype spreadFrom) {
    if (bytes.size() >= spreadFrom) {
        if (std::optional<Contents> contents = decodeInPieces(bytes))
            return std::move(*contents);
    }
    return decodeWhole(bytes);
}

} // namespace pellimor::CatalogFile
