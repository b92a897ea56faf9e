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
#include <cstdint>
#include <cstring>

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

bool plainNumber(const char* p, qsizetype n, double& value) {
    if (n == 0 || n > 24) return false;
    // Digits alone without a leading zero, up to 15 of them: a whole number, exactly.
    if (n <= 15 && (p[0] != '0' || n == 1)) {
        qint64 whole = 0;
        qsizetype i = 0;
        for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) whole = whole * 10 + (p[i] - '0');
        if (i == n) {
            value = double(whole);
            return true;
        }
    }
    for (qsizetype i = 0; i < n; ++i)
        if (!((p[i] >= '0' && p[i] <= '9') || p[i] == '-' || p[i] == '.')) return false;
    const QByteArray field = QByteArray::fromRawData(p, n);
    bool ok = false;
    value = field.toDouble(&ok);
    return ok && numberText(value) == QLatin1String(field);
}

// Whether the bytes are well-formed UTF-8.
bool validUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* const end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time.
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned int c = 0;
        if ((*p & 0xE0) == 0xC0) {
            more = 1;
            c = *p & 0x1F;
        } else if ((*p & 0xF0) == 0xE0) {
            more = 2;
            c = *p & 0x0F;
        } else if ((*p & 0xF8) == 0xF0) {
            more = 3;
            c = *p & 0x07;
        } else {
            return false;
        }
        if (end - p <= more) return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        if ((more == 1 && c < 0x80) || (more == 2 && c < 0x800) || (more == 3 && c < 0x10000) ||
            (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return false;
        p += more + 1;
    }
    return true;
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
        if (!validUtf8(text)) {
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
    QByteArray field;  // a quoted field, its doubled quotes made single
    // The field from p, n bytes long.
    const auto put = [&](const char* p, qsizetype n) {
        if (n == 0) return;
        if (row >= kMaxRows || col >= kMaxColumns) {
            tooLarge = true;
            return;
        }
        Cell c;
        c.row = std::uint16_t(row);
        c.col = std::uint16_t(col);
        double value = 0;
        if (row > 0 && plainNumber(p, n, value)) {
            c.type = CellType::Number;
            c.number = value;
        } else {
            c.type = CellType::Text;
            c.text = std::uint32_t(strings.size());
            // A field as the file has it stays where it is, in the text kept by the book.
            if (p >= text.constData() && p < text.constData() + text.size())
                strings.push_back(QByteArray::fromRawData(p, n));
            else
                strings.emplace_back(p, n);
        }
        sheet.cells.push_back(c);
    };

    // The text is not changed from here on; fields point into it. It gets bytes of its own,
    // which the book keeps: the caller's bytes may be gone by the time the fields are read.
    text.detach();
    book.storage = text;
    const char* p = text.constData();
    const char* const end = p + text.size();
    bool any = false;
    while (p < end && !tooLarge) {
        any = true;
        if (*p == '"') {
            // A quoted field: up to the quote that is not doubled.
            field.clear();
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
            put(field.constData(), field.size());
        } else {
            const char* q = p;
            while (q < end && *q != sep && *q != '\n' && *q != '\r') ++q;
            put(p, q - p);
            p = q;
        }
        if (p == end) break;
        if (*p == sep) {
            ++col;
            ++p;
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
