#include "shell/comma_text.h"

namespace korin {
namespace {

bool NeedsQuotes(const QString& text) {
    if (text.isEmpty()) return true;
    for (QChar c : text)
        if (c.unicode() <= u' ' || c == u',' || c == u'"') return true;
    return false;
}

bool IsBlank(QChar c) { return c.unicode() >= 1 && c.unicode() <= u' '; }

}  // namespace

QString JoinCommaText(const QStringList& texts) {
    // A single empty text must stay distinguishable from no text at all.
    if (texts.size() == 1 && texts.front().isEmpty()) return QStringLiteral("\"\"");
    QString out;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0) out += u',';
        const QString& t = texts[i];
        if (NeedsQuotes(t)) {
            QString inner = t;
            inner.replace(u'"', QStringLiteral("\"\""));
            out += u'"' + inner + u'"';
        } else {
            out += t;
        }
    }
    return out;
}

QStringList SplitCommaText(const QString& text) {
    QStringList out;
    const qsizetype n = text.size();
    qsizetype p = 0;
    while (p < n && IsBlank(text[p])) ++p;
    while (p < n) {
        QString item;
        if (text[p] == u'"') {
            ++p;
            while (p < n) {
                if (text[p] == u'"') {
                    if (p + 1 < n && text[p + 1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && !IsBlank(text[p]) && text[p] != u',') ++p;
            item = text.mid(start, p - start);
        }
        out << item;
        while (p < n && IsBlank(text[p])) ++p;
        if (p < n && text[p] == u',') {
            if (p + 1 == n) out << QString();
            ++p;
            while (p < n && IsBlank(text[p])) ++p;
        }
    }
    return out;
}

}  // namespace korin
