#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace pellix::datasource {

// One token of a query text, split by the rules of the query engine's own tokenizer.
struct Token {
    enum class Kind { Space, Comment, String, Word, Quoted, Other };
    Kind kind = Kind::Other;
    qsizetype start = 0;
    qsizetype length = 0;
    QString name;  // Word and Quoted: the identifier without its quotes
    bool isIdentifier() const { return kind == Kind::Word || kind == Kind::Quoted; }
};

// Splits a query text into tokens. The ideographic space U+3000, which Japanese input puts
// between words as readily as a blank, separates words like a blank does.
QList<Token> tokenize(const QString& text);

// The sheets a query reads: identifiers written with a "$" at the end ("[sheet1$]" names the
// whole worksheet sheet1), as written, each once without regard to letter case.
QStringList sheetTables(const QList<Token>& tokens);

// An identifier quoted for the query engine.
QString quoteIdentifier(const QString& name);

// The query text for the engine: every ideographic space outside quotes becomes a blank, and
// every identifier for which canonical answers a name (a table or column name that differs from
// it only in letter case) is replaced by that name, quoted. The engine itself ignores only the
// case of ASCII letters.
QString engineText(const QString& text, const QList<Token>& tokens,
                   const std::function<QString(const QString&)>& canonical);

}  // namespace pellix::datasource
