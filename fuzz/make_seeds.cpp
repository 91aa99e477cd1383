// Writes the seed corpus of the keyed-archive fuzz target: sound archives in both forms (a
// role set, clip metadata with a role set nested under "roleSetData", a plug-in effect, an
// archive using every class the decoder knows), and damaged ones (cycles, deep chains,
// shared objects, truncations, wrong types). Usage: make_seeds <folder>

#include "Tests/KeyedArchive/ArchiveText.h"

#include <QDir>
#include <QFile>
#include <cstdio>

using namespace pellimor::test;

namespace {

int written = 0;

void write(const QString& folder, const QString& name, const QByteArray& data) {
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    ++written;
}

void writeBoth(const QString& folder, const QString& name, const QByteArray& xml) {
    write(folder, name + ".xml.plist", xml);
    write(folder, name + ".bin.plist", toBinary(xml));
}

QByteArray roleSet() {
    return archive({arrayObject({2, 7}, 12), object({{"name", uid(3)}, {"subRoles", uid(4)}}, 11),
                    str("Dialogue"), arrayObject({5}, 12), object({{"name", uid(6)}}, 13), str("Dialogue-1"),
                    object({{"name", uid(8)}, {"subRoles", uid(9)}}, 11), str("Music"), arrayObject({10}, 12),
                    object({{"name", uid(0)}}, 13), classDef("FFRole"), classDef("NSMutableArray"),
                    classDef("FFSubRole")});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    writeBoth(folder, "role-set", roleSet());
    writeBoth(folder, "clip-with-roles",
              archive({dictObject({2, 3, 4, 5}, {6, 7, 10, 11}, 12), str("displayName"), str("metadata"),
                       str("roleSetData"), str("videoCodecName"), str("Interview A"),
                       dictObject({8}, {9}, 12), str("com.apple.proapps.studio.notes"), str("Retake"),
                       data(toBinary(roleSet())), str("Apple ProRes 422"), classDef("NSMutableDictionary")}));
    writeBoth(folder, "plugin-effect",
              archive({object({{"effectID", uid(2)}, {"displayName", uid(3)}, {"count", integer(2)}}, 4),
                       str("com.example.fx.blur"), str("Blur"), classDef("FFFxPlugEffect")}));
    writeBoth(folder, "every-class",
              archive({object({{"date", uid(2)},
                               {"url", uid(4)},
                               {"set", uid(7)},
                               {"text", uid(10)},
                               {"bytes", data("abc")},
                               {"plain", "<array>" + uid(3) + integer(1) + "</array>"},
                               {"null", uid(12)},
                               {"mutable", uid(14)},
                               {"flag", "<true/>"},
                               {"ratio", real("0.5")},
                               {"negative", integer(-1)}},
                              16),
                       object({{"NS.time", real("600.5")}}, 3), classDef("NSDate"),
                       object({{"NS.base", uid(0)}, {"NS.relative", uid(5)}}, 6),
                       str("file:///Volumes/A/b.mov"), classDef("NSURL"), arrayObject({8, 9}, 11), str("x"),
                       str("y"), object({{"NS.string", str("text")}}, 13), classDef("NSSet"), object({}, 15),
                       classDef("NSMutableString"), dictObject({9}, {8}, 17), classDef("NSNull"),
                       classDef("FFThing"), classDef("NSMutableDictionary")}));
    writeBoth(folder, "self-cycle",
              archive({object({{"name", uid(2)}, {"subRoles", uid(3)}}, 4), str("Loop"), arrayObject({1}, 5),
                       classDef("FFRole"), classDef("NSArray")}));
    QStringList chain;
    for (int i = 1; i <= 40; ++i)
        chain << object({{"next", uid(i + 1)}}, 42);
    chain << str("end") << classDef("X");
    writeBoth(folder, "deep-chain", archive(chain));
    QStringList shared{object({{"all", uid(2)}}, 8)};
    for (int level = 0; level < 5; ++level)
        shared << arrayObject({level + 3, level + 3, level + 3, level + 3}, 9);
    shared << str("leaf") << classDef("X") << classDef("NSArray");
    writeBoth(folder, "shared-objects", archive(shared));
    writeBoth(folder, "out-of-range", archive({object({{"a", uid(99)}, {"b", uid(0)}}, 2), classDef("X")}));
    writeBoth(
        folder, "wrong-types",
        archive({dictObject({2}, {3, 4}, 5), integer(7), data("d"), str("x"), classDef("NSDictionary")}));
    writeBoth(folder, "no-top",
              plistText("<dict><key>$objects</key><array><string>$null</string></array></dict>"));
    writeBoth(folder, "root-not-reference", archive({classDef("X")}, "<array>" + uid(1) + "</array>"));

    const QByteArray binary = toBinary(roleSet());
    write(folder, "truncated.bin.plist", binary.left(binary.size() - 7));
    QByteArray flipped = binary;
    for (qsizetype i = 9; i < flipped.size(); i += 13)
        flipped[i] = char(flipped[i] ^ 0x5A);
    write(folder, "flipped.bin.plist", flipped);
    write(folder, "raw-cycle.bin.plist", rawBinary({rawArray({1}), rawArray({0})}));
    write(folder, "not-a-plist", QByteArray("NSKeyedArchiver $objects $top root"));

    std::printf("%d seeds in %s\n", written, qPrintable(folder));
    return 0;
}
