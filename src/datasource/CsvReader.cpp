// Comma- or tab-separated text as a sheet of one table: the first line is the header row. The
// separator is the one of the two that the first line holds more of (outside quotes); a field in
// double quotes may hold separators, line breaks and doubled quotes. The text is UTF-8, with or
// without a byte order mark, or else Shift-JIS (CP932).
//
// A field reads as a number only when the number, written back, gives the same text: "150" is
// a number, "0490123456789" (a code with a leading zero), "1.50" and "1e3" stay text, so every
// field reads exactly as the file has it.

#include "datasource/BookReaders.h"

#include "datasource/CellText.h"
#include "settings/Cp932.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace pellix::datasource {

namespace {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;

Result textProblem(const QString& fileName, const QString& what) {
    return Result::failure(ErrorKind::Corrupt, what.arg(fileName));
}

// The separator the first line holds more of, outside quotes: a tab, or else a comma.
char separatorOf(const QByteArray& text) {
    int commas = 0, tabs = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == '\t')
            ++tabs;
    }
    return tabs > commas ? '\t' : ',';
}

bool plainNumber(const QByteArray& field, double& value) {
    if (field.isEmpty() || field.size() > 24) return false;
    for (const char c : field)
        if (!((c >= '0' && c <= '9') || c == '-' || c == '.')) return false;
    bool ok = false;
    value = field.toDouble(&ok);
    return ok && numberText(value) == QLatin1String(field);
}

}  // namespace

bool isTextTableName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("csv") || suffix == QLatin1String("txt");
}

Result readCsv(const QByteArray& bytes, const QString& fileName, LoadedBook& book) {
    book = {};
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) {
        text.remove(0, 3);
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(text);
        if (utf8.hasError()) {
            const std::optional<QString> cp932 = settings::fromCp932(text);
            if (!cp932)
                return textProblem(fileName,
                                   QStringLiteral("「%1」の文字コードが UTF-8 でも Shift-JIS "
                                                  "でもないため読めません。"));
            text = cp932->toUtf8();
        }
    }
    if (text.contains('\0')) return notAWorkbook(fileName);

    const char sep = separatorOf(text);
    Sheet sheet;
    sheet.name = QFileInfo(fileName).completeBaseName();
    std::vector<QByteArray>& strings = book.strings;

    int row = 0, col = 0;
    bool tooLarge = false;
    QByteArray field;
    const auto put = [&] {
        if (row >= kMaxRows || col >= kMaxColumns) {
            if (!field.isEmpty()) tooLarge = true;
            field.clear();
            return;
        }
        if (!field.isEmpty()) {
            Cell c;
            c.row = std::uint16_t(row);
            c.col = std::uint16_t(col);
            double value = 0;
            if (row > 0 && plainNumber(field, value)) {
                c.type = CellType::Number;
                c.number = value;
            } else {
                c.type = CellType::Text;
                c.text = std::uint32_t(strings.size());
                strings.push_back(field);
            }
            sheet.cells.push_back(c);
        }
        field.clear();
    };

    const char* p = text.constData();
    const char* const end = p + text.size();
    bool any = false;
    while (p < end && !tooLarge) {
        any = true;
        if (*p == '"') {
            // A quoted field: up to the quote that is not doubled.
            ++p;
            for (;;) {
                if (p == end)
                    return textProblem(
                        fileName,
                        QStringLiteral("「%1」は引用符 (\") が閉じられていないため読めません。"));
                if (*p == '"') {
                    if (p + 1 < end && p[1] == '"') {
                        field.append('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                const char* q = p;
                while (q < end && *q != '"') ++q;
                field.append(p, q - p);
                p = q;
            }
            // Anything between the closing quote and the separator belongs to the field.
            while (p < end && *p != sep && *p != '\n' && *p != '\r') field.append(*p++);
        } else {
            const char* q = p;
            while (q < end && *q != sep && *q != '\n' && *q != '\r') ++q;
            field.append(p, q - p);
            p = q;
        }
        put();
        if (p == end) break;
        if (*p == sep) {
            ++col;
            ++p;
            if (p == end) {
                put();  // a separator at the very end leaves one empty field
            }
            continue;
        }
        // A line ends: CR LF, LF or CR.
        if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
        ++p;
        ++row;
        col = 0;
    }
    if (tooLarge)
        return Result::failure(
            ErrorKind::Corrupt,
            QStringLiteral("「%1」は 65536 行か 256 列を超えるため読めません。").arg(fileName));
    if (!any || sheet.cells.empty())
        return Result::failure(ErrorKind::Corrupt,
                               QStringLiteral("「%1」は空のため読めません。").arg(fileName));
    book.names << sheet.name;
    book.sheets.push_back(std::move(sheet));
    return Result::success();
}

}  // namespace pellix::datasource
