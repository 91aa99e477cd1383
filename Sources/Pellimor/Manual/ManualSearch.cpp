#include "Manual/ManualSearch.h"

#include "Manual/ManualDoc.h"
#include "Manual/MarkdownHTML.h"
#include "Support/Graphemes.h"
#include "Support/QuotedList.h"

#include <QSet>
#include <algorithm>

namespace pellimor::ManualSearch {

namespace {

// Words too common in questions to tell one section from another.
const QSet<QString>& fillerWords() {
    static const QSet<QString> words = {
        QStringLiteral("the"),   QStringLiteral("and"),    QStringLiteral("for"),   QStringLiteral("how"),
        QStringLiteral("what"),  QStringLiteral("where"),  QStringLiteral("why"),   QStringLiteral("when"),
        QStringLiteral("can"),   QStringLiteral("does"),   QStringLiteral("with"),  QStringLiteral("that"),
        QStringLiteral("this"),  QStringLiteral("from"),   QStringLiteral("are"),   QStringLiteral("was"),
        QStringLiteral("you"),   QStringLiteral("your"),   QStringLiteral("not"),   QStringLiteral("but"),
        QStringLiteral("has"),   QStringLiteral("have"),   QStringLiteral("into"),  QStringLiteral("out"),
        QStringLiteral("get"),   QStringLiteral("use"),    QStringLiteral("using"), QStringLiteral("there"),
        QStringLiteral("which"), QStringLiteral("tovlin"), QStringLiteral("about"), QStringLiteral("want"),
        QStringLiteral("need"),  QStringLiteral("should"), QStringLiteral("would"),
    };
    return words;
}

// Occurrences that do not overlap, as a text cut at every occurrence has pieces.
int occurrences(const QString& text, const QString& key) {
    int count = 0;
    for (qsizetype at = text.indexOf(key); at >= 0; at = text.indexOf(key, at + key.size()))
        ++count;
    return count;
}

// The six questions the manual must answer, and the section each must find.
struct Case {
    QString question;
    QString expected;
};

QList<Case> selfTestCases() {
    return {
        {QStringLiteral("how do I delete proxy files to free up space"), QStringLiteral("free-up-space")},
        {QStringLiteral("find missing files"), QStringLiteral("where-to-start")},
        {QStringLiteral("what can Tovlin do"), QStringLiteral("finds-and-remembers-every-library")},
        {QStringLiteral("which copy of a library is newer"), QStringLiteral("compare")},
        {QStringLiteral("how do I add a folder to scan"), QStringLiteral("watched-folders-the-normal-way")},
        {QStringLiteral("what does plug-ins missing mean"), QStringLiteral("problems-at-a-glance")},
    };
}

} // namespace

QList<ManualSection> sections(const QString& markdown) {
    QList<ManualSection> found;
    QStringList lines;
    QString title;
    QString levelTwo;
    const auto close = [&] {
        const QString text = lines.join(u'\n').trimmed();
        if (!title.isEmpty() && !text.isEmpty()) {
            const bool plain = levelTwo.isEmpty() || levelTwo == title;
            found.append({MarkdownHTML::slug(title),
                          plain ? title : levelTwo + QStringLiteral(" \u2014 ") + title, text});
        }
        lines.clear();
    };
    for (const QString& line : markdown.split(u'\n')) {
        if (line.startsWith(QLatin1String("## "))) {
            close();
            title = line.mid(3);
            levelTwo = title;
        } else if (line.startsWith(QLatin1String("### "))) {
            close();
            title = line.mid(4);
        } else if (line.startsWith(QLatin1String("![")) || line == QLatin1String("---")) {
            continue;
        } else {
            lines.append(line);
        }
    }
    close();
    return found;
}

QStringList keys(const QString& question) {
    QStringList found;
    QString word;
    const auto take = [&] {
        if (Graphemes::count(word) >= 3 && !fillerWords().contains(word))
            found.append(Graphemes::prefix(word, 6));
        word.clear();
    };
    for (const char32_t c : question.toLower().toUcs4()) {
        if (MarkdownHTML::isAlphanumeric(c))
            word += QString::fromUcs4(&c, 1);
        else
            take();
    }
    take();
    return found;
}

int score(const ManualSection& section, const QStringList& keys) {
    const QString title = section.title.toLower();
    const QString text = section.text.toLower();
    int sum = 0;
    int hit = 0;
    for (const QString& key : keys) {
        const int inTitle = occurrences(title, key);
        const int inText = occurrences(text, key);
        sum += 8 * inTitle + std::min(inText, 6);
        if (inTitle + inText > 0)
            ++hit;
    }
    return sum * hit;
}

QList<ManualSection> best(const QString& question, const QList<ManualSection>& sections, qsizetype limit) {
    QList<ManualSection> chosen;
    if (limit <= 0)
        return chosen;
    const QStringList wanted = keys(question);
    if (wanted.isEmpty()) {
        for (const ManualSection& section : sections) {
            if (chosen.size() == limit)
                break;
            if (section.title.startsWith(QLatin1String("What Tovlin does")))
                chosen.append(section);
        }
        return chosen;
    }
    QList<std::pair<int, qsizetype>> scored; // score, place in the manual
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (const int points = score(sections.at(i), wanted); points > 0)
            scored.append({points, i});
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [points, index] : scored) {
        if (chosen.size() == limit)
            break;
        chosen.append(sections.at(index));
    }
    return chosen;
}

bool selfTest(const std::function<void(const QString&)>& print) {
    const std::optional<QString> manual = ManualDoc::manual.text();
    if (!manual) {
        print(QStringLiteral("  FAIL  manual not found"));
        return false;
    }
    const QList<ManualSection> all = sections(*manual);
    bool passed = all.size() > 25;
    for (const Case& c : selfTestCases()) {
        QStringList ids;
        for (const ManualSection& section : best(c.question, all, 4))
            ids.append(section.id);
        const bool found = ids.mid(0, 3).contains(c.expected);
        QString line = (found ? QStringLiteral("  ok   ") : QStringLiteral("  FAIL ")) +
                       QStringLiteral(" \"") + c.question + QStringLiteral("\" \u2192 ") +
                       (ids.isEmpty() ? QStringLiteral("nothing") : ids.first());
        if (!found) {
            line += QStringLiteral("  (wanted ") + c.expected + QStringLiteral(" in the first three, got ") +
                    quotedList(ids) + u')';
        }
        print(line);
        passed = passed && found;
    }
    print(passed ? QStringLiteral("ASK-THE-MANUAL CHECKS PASSED")
                 : QStringLiteral("ASK-THE-MANUAL CHECKS FAILED"));
    return passed;
}

} // namespace pellimor::ManualSearch
