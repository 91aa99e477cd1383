#pragma once

// A large catalogue built in memory, for the benchmarks that work on records rather than on
// files: libraries with their events, projects and every tag list filled, and media lists.
//
// Two kinds of text. The plain kind names everything after its place ("keyword 3", "Cut 12
// v2"), the same on every run; the catalogue store's figures are measured on it. The varied
// kind draws the texts from word lists with a fixed seed, the way people name things: camera
// file names, people and places, about one text in ten accented and a third of those in
// decomposed form, so folding and search meet what they meet in the field.

#include "Catalogue/Records/EventInfo.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/ProjectInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <random>

namespace pellimor::bench {

struct CatalogueShape {
    enum class Texts { plain, varied };

    int libraries = 2000;
    int events = 20;   // per library; the varied kind takes 80 % to 120 % of it
    int projects = 10; // per library, one to an event from the first event on
    Texts texts = Texts::plain;
    std::uint32_t seed = 1; // for the varied kind
};

namespace synthetic {

inline QDateTime at(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).addMSecs(seconds % 997);
}

inline QList<QString> words(const QString& stem, int count) {
    QList<QString> list;
    for (int i = 0; i < count; ++i)
        list.append(QStringLiteral("%1 %2").arg(stem).arg(i + 1));
    return list;
}

inline QList<PluginUse> plugins(int seed, int count) {
    QList<PluginUse> list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("Effect"), QStringLiteral("Acme FX"),
                     QStringLiteral("Glow %1").arg(seed + i),
                     QStringLiteral("com.acme.fx.glow%1").arg(seed + i), qint64(1 + i)});
    return list;
}

inline ProjectInfo projectFor(int library, int index) {
    ProjectInfo p;
    p.name = QStringLiteral("Cut %1 v%2").arg(library).arg(index + 1);
    p.duration = 312.48 + index;
    p.frameRate = 25;
    p.format = QStringLiteral("1080p HD 25p");
    p.hasAudio = true;
    p.sampleRate = 48000;
    p.created = at(1690000000 + library * 1000 + index);
    p.modified = at(1700000000 + library * 1000 + index);
    p.clipCount = 140 + index;
    p.transitionCount = 12;
    p.keywordMarkers = 9;
    p.favoriteMarkers = 4;
    p.fileSize = 2400000 + index;
    p.fingerprint = QStringLiteral("%1").arg(qint64(library) * 7919 + index, 40, 16, QLatin1Char('0'));
    p.plugins = plugins(index, 2);
    p.keywords = words(QStringLiteral("keyword"), 5);
    p.metaTags = words(QStringLiteral("tag"), 3);
    p.markerNames = words(QStringLiteral("marker"), 5);
    return p;
}

inline EventInfo eventFor(int library, int index, int projects) {
    EventInfo e;
    e.name = QStringLiteral("2024-%1-%2 Shoot").arg(index % 12 + 1, 2, 10, QLatin1Char('0')).arg(index + 1);
    e.originalSize = 48000000000LL + index;
    e.optimizedSize = 12000000000LL;
    e.proxySize = 3000000000LL;
    e.renderSize = 800000000LL;
    e.analysisSize = 4000000;
    e.otherSize = 120000;
    e.mediaFileCount = 250;
    e.linkedMediaCount = 20;
    e.brokenLinkCount = index % 3;
    e.extensions = {{QStringLiteral("mov"), 180}, {QStringLiteral("mxf"), 50}, {QStringLiteral("wav"), 20}};
    e.poster = QStringLiteral("%1.jpg").arg(Catalog::hash(QStringLiteral("%1|%2").arg(library).arg(index)));
    e.externalVolumes = QMap<QString, qint64>{{QStringLiteral("Archive"), 20}};
    e.keywords = QMap<QString, qint64>{};
    for (const QString& keyword : words(QStringLiteral("keyword"), 8))
        e.keywords->insert(keyword, 3);
    e.metaTags = words(QStringLiteral("tag"), 4);
    e.markerNames = words(QStringLiteral("marker"), 6);
    e.clipNames = words(QStringLiteral("A001_C0"), 12);
    e.notes = words(QStringLiteral("note about the take"), 3);
    e.cameraInfo = words(QStringLiteral("Camera"), 3);
    e.roles = {QStringLiteral("Dialogue"), QStringLiteral("Music"), QStringLiteral("Effects"),
               QStringLiteral("Video")};
    e.plugins = plugins(index, 2);
    e.tagsVersion = 3;
    e.created = at(1680000000 + library * 100 + index);
    e.modified = at(1700000000 + library * 100 + index);
    for (int p = 0; p < projects; ++p)
        e.projects.append(projectFor(library, index * 1000 + p));
    return e;
}

// The varied kind's texts, drawn from one seeded generator per library, so a library's texts
// do not depend on how many libraries come before it.
class Words {
public:
    Words(std::uint32_t seed, int library) : m_random(seed * 2654435761u + std::uint32_t(library)) {}

    int below(int n) { return int(m_random() % std::uint32_t(n)); }
    bool oneIn(int n) { return below(n) == 0; }
    const QString& pick(const QStringList& list) { return list.at(below(int(list.size()))); }

    // About one text in ten carries an accented word, and a third of those are decomposed,
    // as file systems that store names decomposed hand them over.
    QString text(const QStringList& list) {
        QString text = pick(list);
        if (oneIn(10)) {
            text += QLatin1Char(' ') + pick(accented());
            if (oneIn(3))
                text = text.normalized(QString::NormalizationForm_D);
        }
        return text;
    }
    QList<QString> texts(const QStringList& list, int count) {
        QList<QString> out;
        for (int i = 0; i < count; ++i)
            out.append(text(list));
        return out;
    }
    QString number(int width, int below) {
        return QStringLiteral("%1").arg(this->below(below), width, 10, QLatin1Char('0'));
    }

    // Camera file names, now and then a descriptive one.
    QString mediaName() {
        if (oneIn(8))
            return text(subjects()) + QLatin1Char(' ') + number(2, 40) + QStringLiteral(".mov");
        static const QStringList extensions{QStringLiteral(".mov"), QStringLiteral(".mxf"),
                                            QStringLiteral(".mp4"), QStringLiteral(".wav"),
                                            QStringLiteral(".braw")};
        return QStringLiteral("%1%2_C%3_2405%4%5")
                   .arg(QChar(u'A' + char16_t(below(4))))
                   .arg(number(3, 40), number(3, 999), number(2, 28), number(2, 99)) +
               pick(extensions);
    }

    static const QStringList& accented() {
        static const QStringList list{
            QStringLiteral("Café"),       QStringLiteral("Zoé"),          QStringLiteral("Müller"),
            QStringLiteral("Søren"),      QStringLiteral("Zürich"),       QStringLiteral("Kraków"),
            QStringLiteral("São Paulo"),  QStringLiteral("Malmö"),        QStringLiteral("Reykjavík"),
            QStringLiteral("Cathédrale"), QStringLiteral("Soirée"),       QStringLiteral("Naïve"),
            QStringLiteral("Straße"),     QStringLiteral("Ångström"),     QStringLiteral("Ñandú"),
            QStringLiteral("Éclat"),      QStringLiteral("Lumière"),      QStringLiteral("Dvořák"),
            QStringLiteral("Şahin"),      QStringLiteral("Čapek"),        QStringLiteral("Ødegaard"),
            QStringLiteral("Hôtel"),      QStringLiteral("Crème brûlée"), QStringLiteral("Fiancée"),
        };
        return list;
    }
    static const QStringList& people() {
        static const QStringList list{
            QStringLiteral("Smith"),    QStringLiteral("Jones"),    QStringLiteral("Nguyen"),
            QStringLiteral("Okafor"),   QStringLiteral("Larsen"),   QStringLiteral("Dubois"),
            QStringLiteral("Rossi"),    QStringLiteral("Kowalski"), QStringLiteral("Tanaka"),
            QStringLiteral("Silva"),    QStringLiteral("Brown"),    QStringLiteral("Novak"),
            QStringLiteral("Andersen"), QStringLiteral("Walsh"),    QStringLiteral("Patel"),
            QStringLiteral("Berg"),
        };
        return list;
    }
    static const QStringList& subjects() {
        static const QStringList list{
            QStringLiteral("Wedding"),     QStringLiteral("Interview"),  QStringLiteral("Concert"),
            QStringLiteral("Documentary"), QStringLiteral("Commercial"), QStringLiteral("Music video"),
            QStringLiteral("Conference"),  QStringLiteral("Portrait"),   QStringLiteral("Travel"),
            QStringLiteral("Festival"),    QStringLiteral("Rehearsal"),  QStringLiteral("Premiere"),
            QStringLiteral("Launch"),      QStringLiteral("Workshop"),   QStringLiteral("Showreel"),
            QStringLiteral("Training"),
        };
        return list;
    }
    static const QStringList& places() {
        static const QStringList list{
            QStringLiteral("Beach"),   QStringLiteral("Harbour"), QStringLiteral("Studio A"),
            QStringLiteral("Rooftop"), QStringLiteral("Forest"),  QStringLiteral("Office"),
            QStringLiteral("Garden"),  QStringLiteral("Church"),  QStringLiteral("Hall"),
            QStringLiteral("Bridge"),  QStringLiteral("Market"),  QStringLiteral("Stage"),
        };
        return list;
    }
    static const QStringList& keywords() {
        static const QStringList list{
            QStringLiteral("Interview"),    QStringLiteral("B-roll"),   QStringLiteral("Drone"),
            QStringLiteral("Establishing"), QStringLiteral("Close-up"), QStringLiteral("Slow motion"),
            QStringLiteral("Timelapse"),    QStringLiteral("Crowd"),    QStringLiteral("Sunset"),
            QStringLiteral("Hands"),        QStringLiteral("Speech"),   QStringLiteral("First dance"),
            QStringLiteral("Cutaway"),      QStringLiteral("Wide"),     QStringLiteral("Product"),
            QStringLiteral("Logo"),         QStringLiteral("Reaction"), QStringLiteral("Night"),
        };
        return list;
    }
    static const QStringList& notes() {
        static const QStringList list{
            QStringLiteral("Good take"),           QStringLiteral("Audio clipped near the end"),
            QStringLiteral("Use for the opening"), QStringLiteral("Focus soft at first"),
            QStringLiteral("Client favourite"),    QStringLiteral("Needs a colour pass"),
            QStringLiteral("Backup angle"),        QStringLiteral("Wind noise"),
        };
        return list;
    }
    static const QStringList& markers() {
        static const QStringList list{
            QStringLiteral("Chapter"),   QStringLiteral("To do: colour"), QStringLiteral("Check sync"),
            QStringLiteral("Music cue"), QStringLiteral("Title here"),    QStringLiteral("Laugh"),
            QStringLiteral("Best line"), QStringLiteral("Cut point"),
        };
        return list;
    }
    static const QStringList& cameras() {
        static const QStringList list{
            QStringLiteral("Sony FX6"),           QStringLiteral("Canon EOS C70"),
            QStringLiteral("ARRI ALEXA Mini LF"), QStringLiteral("Blackmagic Pocket 6K"),
            QStringLiteral("DJI Mavic 3"),        QStringLiteral("iPhone 15 Pro"),
            QStringLiteral("Panasonic GH6"),      QStringLiteral("RED Komodo 6K"),
            QStringLiteral("Sony A7S III"),
        };
        return list;
    }
    static const QStringList& roles() {
        static const QStringList list{
            QStringLiteral("Dialogue"), QStringLiteral("Music"),  QStringLiteral("Effects"),
            QStringLiteral("Video"),    QStringLiteral("Titles"), QStringLiteral("Voice-over"),
            QStringLiteral("Ambience"),
        };
        return list;
    }
    static const QStringList& formats() {
        static const QStringList list{QStringLiteral("1080p HD 25p"), QStringLiteral("4K UHD 23.98p"),
                                      QStringLiteral("720p HD 50p"), QStringLiteral("DCI 4K 24p"),
                                      QStringLiteral("1080p HD 29.97p")};
        return list;
    }
    static const QStringList& plugins() {
        static const QStringList list{
            QStringLiteral("Light Leaks"),      QStringLiteral("Glow"),
            QStringLiteral("Film Grain"),       QStringLiteral("Lower Third"),
            QStringLiteral("Denoiser"),         QStringLiteral("Stabilizer"),
            QStringLiteral("Glitch"),           QStringLiteral("Colour Finale"),
            QStringLiteral("Transitions Pack"),
        };
        return list;
    }
    static const QStringList& packs() {
        static const QStringList list{QStringLiteral("Acme FX"), QStringLiteral("Film Impact"),
                                      QStringLiteral("Motion Labs"), QStringLiteral("Pixel Film"),
                                      QStringLiteral("Audio Tools")};
        return list;
    }
    static const QStringList& hosts() {
        static const QStringList list{QStringLiteral("Edit Suite 2"), QStringLiteral("MacBook Pro"),
                                      QStringLiteral("Grading Room"), QStringLiteral("Mac Studio")};
        return list;
    }

private:
    std::mt19937 m_random;
};

inline QList<PluginUse> variedPlugins(Words& w, int count) {
    QList<PluginUse> list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("Effect"), w.text(Words::packs()), w.text(Words::plugins()),
                     QStringLiteral("com.example.fx.%1").arg(i), qint64(1 + i)});
    return list;
}

// The varied kind's texts over a plain record.
inline void vary(ProjectInfo& p, Words& w) {
    p.name = w.text(Words::subjects()) + QStringLiteral(" cut ") + w.number(1, 9);
    p.format = w.pick(Words::formats());
    p.plugins = variedPlugins(w, 2);
    p.keywords = w.texts(Words::keywords(), 4);
    p.metaTags = w.texts(Words::places(), 2);
    p.markerNames = w.texts(Words::markers(), 4);
}

inline void vary(EventInfo& e, Words& w) {
    e.name = w.text(Words::places()) + QStringLiteral(" day ") + QString::number(w.below(30) + 1);
    e.keywords = QMap<QString, qint64>{};
    for (const QString& keyword : w.texts(Words::keywords(), 8))
        e.keywords->insert(keyword, 1 + w.below(9));
    e.metaTags = w.texts(Words::places(), 4);
    e.markerNames = w.texts(Words::markers(), 6);
    QList<QString> clips;
    for (int i = 0; i < 12; ++i)
        clips.append(w.oneIn(3) ? w.text(Words::subjects()) + QStringLiteral(" take ") + w.number(1, 9)
                                : QStringLiteral("A%1_C%2").arg(w.number(3, 40), w.number(3, 999)));
    e.clipNames = clips;
    e.notes = w.texts(Words::notes(), 3);
    e.cameraInfo = w.texts(Words::cameras(), 2);
    e.roles = w.texts(Words::roles(), 4);
    e.extensions = {{QStringLiteral("mov"), 180}, {QStringLiteral("mxf"), 50}, {QStringLiteral("wav"), 20}};
    if (w.oneIn(4))
        e.extensions.insert(QStringLiteral("(none)"), 2);
    e.externalVolumes =
        QMap<QString, qint64>{{w.oneIn(2) ? QStringLiteral("Archive") : QStringLiteral("Footage"), 20}};
    e.plugins = variedPlugins(w, 2);
    for (ProjectInfo& p : e.projects)
        vary(p, w);
}

} // namespace synthetic

// The libraries of a catalogue of the given shape.
inline QList<LibraryInfo> syntheticLibraries(const CatalogueShape& shape) {
    using namespace synthetic;
    const bool varied = shape.texts == CatalogueShape::Texts::varied;
    QList<LibraryInfo> libraries;
    libraries.reserve(shape.libraries);
    for (int l = 0; l < shape.libraries; ++l) {
        Words w(shape.seed, l);
        LibraryInfo lib;
        lib.path = QStringLiteral("/Volumes/Drive %1/Clients/Client %2/Library %3.fcpbundle")
                       .arg(l % 8)
                       .arg(l % 50)
                       .arg(l);
        lib.name = QStringLiteral("Library %1").arg(l);
        lib.volumeName = QStringLiteral("Drive %1").arg(l % 8);
        lib.volumeUUID = QStringLiteral("6F1C2A3B-0000-4000-8000-%1").arg(l % 8, 12, 10, QLatin1Char('0'));
        lib.libraryIdentifier = QStringLiteral("1F2E3D4C-%1").arg(l, 8, 10, QLatin1Char('0'));
        lib.fcpVersion = QStringLiteral("11.1");
        lib.lastHost = QStringLiteral("Edit Suite 2");
        lib.created = at(1600000000 + l);
        lib.modified = at(1700000000 + l);
        lib.scannedAt = at(1710000000 + l);
        lib.signature = QStringLiteral("1700000000.123,1700000001.5|@size|1700000002.25");
        lib.extraSize = 52000000;
        if (varied) {
            const QString name = w.text(Words::people()) + QLatin1Char(' ') + w.text(Words::subjects());
            lib.path =
                QStringLiteral("/Volumes/Drive %1/Clients/%2/%3.fcpbundle").arg(l % 8).arg(name).arg(l);
            lib.name = name;
            lib.fcpVersion = w.oneIn(3) ? QStringLiteral("10.8.1") : QStringLiteral("11.1");
            lib.lastHost = w.pick(Words::hosts());
        }
        const int events = varied ? shape.events * 4 / 5 + w.below(shape.events * 2 / 5 + 1) : shape.events;
        // The projects go one to an event, from the first event on.
        for (int e = 0; e < events; ++e)
            lib.events.append(eventFor(l, e, e < shape.projects ? 1 : 0));
        for (int p = events; p < shape.projects && !lib.events.isEmpty(); ++p)
            lib.events.last().projects.append(projectFor(l, p));
        if (varied) {
            for (EventInfo& event : lib.events)
                vary(event, w);
        }
        libraries.append(std::move(lib));
    }
    return libraries;
}

// The plain kind's media list of one library.
inline QList<MediaEntry> syntheticMedia(int library, qint64 count) {
    QList<MediaEntry> entries;
    entries.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        entries.append({QStringLiteral("A%1_C%2_%3.mov")
                            .arg(library % 1000, 3, 10, QLatin1Char('0'))
                            .arg(i)
                            .arg(library),
                        1000000 + i * 4096 + library, QStringLiteral("2024-%1 Shoot").arg(i % 20 + 1)});
    return entries;
}

// The varied kind's published media list: `perLibrary` files of each library, spread over
// its events in runs, as a library's media list holds them; the rows share their library's
// path and their event's name, as the catalogue's do.
inline QList<Catalog::MediaEntry2> syntheticMediaRows(const QList<LibraryInfo>& libraries, qint64 perLibrary,
                                                      std::uint32_t seed) {
    QList<Catalog::MediaEntry2> rows;
    rows.reserve(libraries.size() * perLibrary);
    for (qsizetype l = 0; l < libraries.size(); ++l) {
        const LibraryInfo& library = libraries.at(l);
        synthetic::Words w(seed ^ 0x5bd1e995u, int(l));
        for (qint64 i = 0; i < perLibrary; ++i) {
            const QString event =
                library.events.isEmpty()
                    ? QString()
                    : library.events.at(qsizetype(i * library.events.size() / perLibrary)).name;
            rows.append({library.path, MediaEntry{w.mediaName(), 1000000 + i * 4096, event}});
        }
    }
    return rows;
}

} // namespace pellimor::bench
