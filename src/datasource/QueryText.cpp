#include "datasource/QueryText.h"

namespace pellix::datasource {

namespace {

constexpr char16_t kIdeographicSpace = u'\u3000';

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\f') || c == QLatin1Char('\r') || c == QChar(kIdeographicSpace);
}
bool isWordStart(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' ||
           (u >= 0x80 && u != kIdeographicSpace);
}
bool isWordChar(QChar c) {
    const char16_t u = c.unicode();
    return isWordStart(c) || (u >= '0' && u <= '9') || u == '$';
}

bool hasNonAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80) return true;
    return false;
}

}  // namespace

QList<Token> tokenize(const QString& text) {
    QList<Token> tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        Token t;
        t.start = i;
        const QChar c = text[i];
        const QChar next = i + 1 < n ? text[i + 1] : QChar();
        if (isBlank(c)) {
            t.kind = Token::Kind::Space;
            while (i < n && isBlank(text[i])) ++i;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            t.kind = Token::Kind::Comment;
            while (i < n && text[i] != QLatin1Char('\n')) ++i;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            t.kind = Token::Kind::Comment;
            const qsizetype e = text.indexOf(QLatin1String("*/"), i + 2);
            i = e < 0 ? n : e + 2;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            // A quote doubled inside stands for itself.
            t.kind = c == QLatin1Char('\'') ? Token::Kind::String : Token::Kind::Quoted;
            ++i;
            while (i < n) {
                if (text[i] == c) {
                    if (i + 1 < n && text[i + 1] == c) {
                        t.name.append(c);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.name.append(text[i++]);
            }
            if (t.kind == Token::Kind::String) t.name.clear();
        } else if (c == QLatin1Char('[')) {
            t.kind = Token::Kind::Quoted;
            const qsizetype e = text.indexOf(QLatin1Char(']'), i + 1);
            const qsizetype end = e < 0 ? n : e;
            t.name = text.mid(i + 1, end - i - 1);
            i = e < 0 ? n : e + 1;
        } else if (isWordStart(c)) {
            t.kind = Token::Kind::Word;
            while (i < n && isWordChar(text[i])) ++i;
            t.name = text.mid(t.start, i - t.start);
        } else if (c.isDigit() || c == QLatin1Char('?') || c == QLatin1Char(':') ||
                   c == QLatin1Char('@') || c == QLatin1Char('$') || c == QLatin1Char('#')) {
            // Numbers and parameters: their letters are no identifiers.
            ++i;
            while (i < n && (isWordChar(text[i]) || text[i] == QLatin1Char('.'))) ++i;
        } else {
            ++i;
        }
        t.length = i - t.start;
        tokens << t;
    }
    return tokens;
}

QStringList sheetTables(const QList<Token>& tokens) {
    QStringList tables;
    for (const Token& t : tokens) {
        if (!t.isIdentifier() || t.name.size() < 2 || !t.name.endsWith(QLatin1Char('$'))) continue;
        bool known = false;
        for (const QString& s : tables)
            if (s.toCaseFolded() == t.name.toCaseFolded()) known = true;
        if (!known) tables << t.name;
    }
    return tables;
}

QString quoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString engineText(const QString& text, const QList<Token>& tokens,
                   const std::function<QString(const QString&)>& canonical) {
    QString out;
    out.reserve(text.size());
    for (const Token& t : tokens) {
        const QStringView piece = QStringView(text).mid(t.start, t.length);
        if (t.kind == Token::Kind::Space) {
            for (QChar c : piece) out.append(c == QChar(kIdeographicSpace) ? QLatin1Char(' ') : c);
        } else if (t.isIdentifier() && hasNonAscii(t.name)) {
            const QString name = canonical(t.name);
            out.append(name.isNull() || name == t.name ? piece.toString() : quoteIdentifier(name));
        } else {
            out.append(piece);
        }
    }
    return out;
}

}  // namespace pellix::datasource
