#include "Manual/MarkdownHTML.h"

#include "Support/ShortestDouble.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QUrl>

namespace pellimor::MarkdownHTML {

namespace {

// Blanks and tabs only: a line's other characters (a no-break space, say) are its text.
QString trimBlanks(const QString& line) {
    qsizetype start = 0;
    qsizetype end = line.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(line.at(start)))
        ++start;
    while (end > start && blank(line.at(end - 1)))
        --end;
    return line.mid(start, end - start);
}

QString escaped(QString text) {
    text.replace(u'&', QStringLiteral("&amp;"));
    text.replace(u'<', QStringLiteral("&lt;"));
    text.replace(u'>', QStringLiteral("&gt;"));
    return text;
}

const QRegularExpression& numberedItem() {
    static const QRegularExpression re(QStringLiteral("^\\d+\\. "),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

// What render() holds while it walks the lines.
class Blocks {
public:
    QStringList output;

    void flush() {
        if (!m_paragraph.isEmpty()) {
            output.append(QStringLiteral("<p>") + inlineHTML(m_paragraph.join(u' ')) +
                          QStringLiteral("</p>"));
            m_paragraph.clear();
        }
        if (m_list) {
            QString html = QStringLiteral("<") + m_list->tag + QStringLiteral(">");
            for (const QString& item : m_list->items)
                html += QStringLiteral("<li>") + inlineHTML(item) + QStringLiteral("</li>");
            html += QStringLiteral("</") + m_list->tag + QStringLiteral(">");
            output.append(html);
            m_list.reset();
        }
        if (!m_table.isEmpty()) {
            QString html = QStringLiteral("<table><thead><tr>");
            for (const QString& cell : m_table.first())
                html += QStringLiteral("<th>") + inlineHTML(cell) + QStringLiteral("</th>");
            html += QStringLiteral("</tr></thead><tbody>");
            for (qsizetype row = 1; row < m_table.size(); ++row) {
                html += QStringLiteral("<tr>");
                for (const QString& cell : m_table.at(row))
                    html += QStringLiteral("<td>") + inlineHTML(cell) + QStringLiteral("</td>");
                html += QStringLiteral("</tr>");
            }
            html += QStringLiteral("</tbody></table>");
            output.append(html);
            m_table.clear();
        }
    }

    void tableRow(const QString& line) {
        if (!m_paragraph.isEmpty() || m_list)
            flush();
        QStringList cells = line.mid(1).split(u'|');
        cells.removeLast(); // what follows the last "|"
        for (QString& cell : cells)
            cell = trimBlanks(cell);
        if (cells.isEmpty() || alignment(cells))
            return;
        m_table.append(cells);
    }

    void listItem(const QString& tag, const QString& text) {
        if (!m_paragraph.isEmpty() || !m_table.isEmpty())
            flush();
        if (!m_list || m_list->tag != tag) {
            flush();
            m_list = List{tag, {}};
        }
        m_list->items.append(text);
    }

    void paragraphLine(const QString& line) {
        if (m_list || !m_table.isEmpty())
            flush();
        m_paragraph.append(line);
    }

private:
    struct List {
        QString tag; // "ul" or "ol"
        QStringList items;
    };

    static bool alignment(const QStringList& cells) {
        for (const QString& cell : cells) {
            if (cell.isEmpty())
                return false;
            for (const QChar c : cell) {
                if (c != u'-' && c != u':' && c != u' ')
                    return false;
            }
        }
        return true;
    }

    QStringList m_paragraph;
    std::optional<List> m_list;
    QList<QStringList> m_table;
};

// "![caption](file)": the caption and the file, or nothing for a line of another form.
std::optional<std::pair<QString, QString>> picture(const QString& line) {
    if (!line.startsWith(QLatin1String("![")) || !line.endsWith(u')'))
        return std::nullopt;
    const qsizetype middle = line.indexOf(QLatin1String("]("));
    if (middle < 0)
        return std::nullopt;
    const qsizetype fileStart = middle + 2;
    return std::pair{line.mid(2, middle - 2), line.mid(fileStart, line.size() - 1 - fileStart)};
}

// "## Text": the number of "#" and the text after the first blank, or nothing for a line that
// is not a heading ("#hashtag", "#" alone).
std::optional<std::pair<qsizetype, QString>> heading(const QString& line) {
    if (!line.startsWith(u'#'))
        return std::nullopt;
    const qsizetype blank = line.indexOf(u' ');
    if (blank < 0)
        return std::nullopt;
    for (qsizetype i = 0; i < blank; ++i) {
        if (line.at(i) != u'#')
            return std::nullopt;
    }
    return std::pair{blank, line.mid(blank + 1)};
}

bool hexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Percent escapes decoded; nothing for a "%" without two hexadecimal digits after it or bytes
// that are not UTF-8.
std::optional<QString> percentDecoded(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) != '%')
            continue;
        if (i + 2 >= bytes.size() || !hexDigit(bytes.at(i + 1)) || !hexDigit(bytes.at(i + 2)))
            return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(QByteArray::fromPercentEncoding(bytes));
    if (decoder.hasError())
        return std::nullopt;
    return decoded;
}

} // namespace

bool isAlphanumeric(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

QString slug(const QString& heading) {
    const QString lower = plainTitle(heading).toLower();
    QString id;
    id.reserve(lower.size());
    for (const char32_t c : lower.toUcs4()) {
        if (c == U' ')
            id += u'-';
        else if (c == U'-' || isAlphanumeric(c))
            id += QString::fromUcs4(&c, 1);
    }
    return id;
}

QString plainTitle(const QString& heading) {
    QString title = heading;
    title.remove(QStringLiteral("**"));
    title.remove(u'`');
    return title;
}

QString inlineHTML(const QString& text) {
    static const QRegularExpression code(QStringLiteral("`([^`]+)`"));
    static const QRegularExpression bold(QStringLiteral("\\*\\*([^*]+)\\*\\*"));
    static const QRegularExpression link(QStringLiteral("\\[([^\\]]+)\\]\\(([^)]+)\\)"));
    QString html = escaped(text);
    html.replace(code, QStringLiteral("<code>\\1</code>"));
    html.replace(bold, QStringLiteral("<b>\\1</b>"));
    html.replace(link, QStringLiteral("<a href=\"\\2\">\\1</a>"));
    html.replace(QStringLiteral("href=\"#"), QStringLiteral("href=\"") + QString::fromUtf16(sectionScheme));
    return html;
}

Rendered render(const QString& markdown) {
    Rendered result;
    Blocks blocks;
    for (const QString& raw : markdown.split(u'\n')) {
        const QString line = trimBlanks(raw);
        if (line.isEmpty()) {
            blocks.flush();
        } else if (line == QLatin1String("---")) {
            blocks.flush();
            blocks.output.append(QStringLiteral("<hr>"));
        } else if (const auto shown = picture(line)) {
            blocks.flush();
            blocks.output.append(QStringLiteral("<p><img src=\"") + escaped(shown->second) +
                                 QStringLiteral("\" width=\"620\"></p><p class=\"caption\">") +
                                 inlineHTML(shown->first) + QStringLiteral("</p>"));
        } else if (const auto title = heading(line)) {
            blocks.flush();
            const auto& [hashes, text] = *title;
            const QString level = QString::number(std::min<qsizetype>(hashes, 4));
            const QString id = slug(text);
            const QString plain = plainTitle(text);
            if (hashes == 2)
                result.contents.append({id, plain});
            result.headings.insert(id, plain);
            blocks.output.append(QStringLiteral("<h") + level + QStringLiteral(" id=\"") + id +
                                 QStringLiteral("\">") + inlineHTML(text) + QStringLiteral("</h") + level +
                                 QStringLiteral(">"));
        } else if (line.startsWith(u'|')) {
            blocks.tableRow(line);
        } else if (line.startsWith(QLatin1String("- "))) {
            blocks.listItem(QStringLiteral("ul"), line.mid(2));
        } else if (const QRegularExpressionMatch number = numberedItem().match(line); number.hasMatch()) {
            blocks.listItem(QStringLiteral("ol"), line.mid(number.capturedLength()));
        } else {
            blocks.paragraphLine(line);
        }
    }
    blocks.flush();
    result.body = blocks.output.join(u'\n');
    return result;
}

QString page(const QString& body, double scale, bool dark) {
    const auto size = [scale](double base) { return shortestDouble(scale * base); };
    const QString text = dark ? QStringLiteral("#e6e6e6") : QStringLiteral("#1d1d1f");
    const QString rule = dark ? QStringLiteral("#555555") : QStringLiteral("#c9c9c9");
    const QString shade = dark ? QStringLiteral("#3a3a3a") : QStringLiteral("#efefef");
    const QString link = dark ? QStringLiteral("#4da3ff") : QStringLiteral("#0a66d8");
    const QString caption = dark ? QStringLiteral("#a0a0a0") : QStringLiteral("#6e6e73");
    QString html;
    html += QStringLiteral("<!doctype html><html><head><meta charset=\"utf-8\"><style>\nbody { font: ");
    html += size(13);
    html += QStringLiteral("px -apple-system, \"Helvetica Neue\", sans-serif; color: ");
    html += text;
    html += QStringLiteral("; line-height: 1.45; }\nh1 { font-size: ");
    html += size(22);
    html += QStringLiteral("px; } h2 { font-size: ");
    html += size(18);
    html += QStringLiteral("px; margin-top: 26px; } h3 { font-size: ");
    html += size(15);
    html += QStringLiteral("px; margin-top: 18px; }\nh4 { font-size: ");
    html += size(13);
    html += QStringLiteral(
        "px; }\ntable { border-collapse: collapse; margin: 8px 0; }\nth, td { border: 1px solid ");
    html += rule;
    html += QStringLiteral(
        "; padding: 5px 9px; text-align: left; vertical-align: top; }\nth { background-color: ");
    html += shade;
    html += QStringLiteral("; }\ncode { font-family: Menlo, monospace; font-size: ");
    html += size(12);
    html += QStringLiteral("px; background-color: ");
    html += shade;
    html += QStringLiteral("; }\nhr { color: ");
    html += rule;
    html += QStringLiteral("; } a { color: ");
    html += link;
    html += QStringLiteral("; } li { margin: 3px 0; }\n.caption { font-size: ");
    html += size(11);
    html += QStringLiteral("px; color: ");
    html += caption;
    html += QStringLiteral("; margin-top: 2px; }\n</style></head><body>");
    html += body;
    html += QStringLiteral("</body></html>");
    return html;
}

std::optional<QString> sectionID(const QVariant& link) {
    QString text;
    if (link.metaType() == QMetaType::fromType<QUrl>())
        text = link.toUrl().toString(QUrl::FullyEncoded);
    else if (link.metaType() == QMetaType::fromType<QString>())
        text = link.toString();
    const QString scheme = QString::fromUtf16(sectionScheme);
    if (!text.startsWith(scheme))
        return std::nullopt;
    return percentDecoded(text.mid(scheme.size()));
}

std::optional<TextSpan> range(const QString& title, const QString& plainText) {
    if (plainText.startsWith(title + u'\n'))
        return TextSpan{0, title.size()};
    const qsizetype found = plainText.indexOf(u'\n' + title + u'\n');
    if (found < 0)
        return std::nullopt;
    return TextSpan{found + 1, title.size()};
}

} // namespace pellimor::MarkdownHTML
