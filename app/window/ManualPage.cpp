#include "window/ManualPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tavelin::ManualPage {
namespace {

// The text of a line with its escapes undone and its font changes as HTML.
QString inlineText(const QString& text) {
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QString html;
    QString closing;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped.mid(i, 2) == QLatin1String("\\f") && i + 2 < escaped.size()) {
            QChar font = escaped[i + 2];
            html += closing;
            closing.clear();
            if (font == QLatin1Char('B')) {
                html += QStringLiteral("<b>");
                closing = QStringLiteral("</b>");
            } else if (font == QLatin1Char('I')) {
                html += QStringLiteral("<i>");
                closing = QStringLiteral("</i>");
            }
            i += 2;
            continue;
        }
        html += escaped[i];
    }
    return html + closing;
}

// The arguments of a macro line, double-quoted ones taken whole.
QStringList arguments(const QString& rest) {
    QStringList words;
    static const QRegularExpression word(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    for (const QRegularExpressionMatch& match : word.globalMatch(rest))
        words << (match.hasCaptured(1) ? match.captured(1) : match.captured(2));
    return words;
}

// .BI and the like: words set in two fonts by turns.
QString alternating(const QStringList& words, const QString& first, const QString& second) {
    QString html;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& tag = i % 2 == 0 ? first : second;
        html += QStringLiteral("<%1>%2</%1>").arg(tag, inlineText(words[i]));
    }
    return html;
}

} // namespace

QString source() {
    QFile page(QStringLiteral(":/manual/tavelin.1"));
    if (!page.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(page.readAll());
}

QString html(const QString& source) {
    QString html;
    QString paragraph;
    bool inList = false;
    bool termNext = false;
    auto flush = [&] {
        if (!paragraph.isEmpty())
            html += (inList ? QStringLiteral("<dd>") : QStringLiteral("<p>")) + paragraph +
                    (inList ? QStringLiteral("</dd>") : QStringLiteral("</p>"));
        paragraph.clear();
    };
    auto endList = [&] {
        flush();
        if (inList)
            html += QStringLiteral("</dl>");
        inList = false;
    };
    auto add = [&](const QString& text) {
        if (termNext) {
            html += QStringLiteral("<dt>") + text + QStringLiteral("</dt>");
            termNext = false;
            return;
        }
        paragraph += (paragraph.isEmpty() ? QString() : QStringLiteral(" ")) + text;
    };
    for (const QString& line : source.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1Char('.'))) {
            if (!line.trimmed().isEmpty())
                add(inlineText(line));
            continue;
        }
        qsizetype space = line.indexOf(QLatin1Char(' '));
        QString macro = line.mid(1, space < 0 ? -1 : space - 1);
        QStringList words = arguments(space < 0 ? QString() : line.mid(space + 1));
        if (macro == QLatin1String("TH")) {
            html += QStringLiteral("<h1>") + inlineText(words.value(0).toLower()) +
                    QStringLiteral("</h1>");
        } else if (macro == QLatin1String("SH")) {
            endList();
            html += QStringLiteral("<h2>") + inlineText(words.join(QLatin1Char(' '))) +
                    QStringLiteral("</h2>");
        } else if (macro == QLatin1String("PP")) {
            endList();
        } else if (macro == QLatin1String("TP")) {
            flush();
            if (!inList)
                html += QStringLiteral("<dl>");
            inList = true;
            termNext = true;
        } else if (macro == QLatin1String("B") || macro == QLatin1String("I")) {
            QString tag = macro.toLower();
            add(QStringLiteral("<%1>%2</%1>").arg(tag, inlineText(words.join(QLatin1Char(' ')))));
        } else if (macro == QLatin1String("BI")) {
            add(alternating(words, QStringLiteral("b"), QStringLiteral("i")));
        }
    }
    endList();
    return html;
}

bool isInstalled() {
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& folder : folders)
        for (const char* name : {"man/man1/tavelin.1.gz", "man/man1/tavelin.1"})
            if (QFileInfo::exists(QDir(folder).filePath(QLatin1String(name))))
                return true;
    return false;
}

} // namespace tavelin::ManualPage
