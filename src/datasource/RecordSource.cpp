#include "datasource/RecordSource.h"

#include "datasource/CellText.h"
#include "datasource/QueryText.h"
#include "datasource/Workbook.h"

#include <sqlite3.h>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace pellix::datasource {

namespace {

// Largest text or blob a query may build; the biggest cell holds 32767 characters.
constexpr int kMaxValueBytes = 16 * 1024 * 1024;
// Memory the engine may use in all, so that a query sorting a huge join fails instead of
// exhausting the machine.
constexpr sqlite3_int64 kHeapLimit = sqlite3_int64(1) << 30;

const QByteArray kTrueUtf8 = kTrueText.toUtf8();
const QByteArray kFalseUtf8 = kFalseText.toUtf8();

QString cellText(const Cell& c, const Workbook& wb) {
    switch (c.type) {
        case CellType::Number:
            if (c.date) {
                const QString d = dateText(c.number, wb.dateMode1904());
                if (!d.isNull()) return d;
            }
            return numberText(c.number);
        case CellType::Text:
            return QString::fromUtf8(wb.text(c.text));
        case CellType::Boolean:
            return c.code ? kTrueText : kFalseText;
        case CellType::Error:
            return Workbook::errorText(c.code);
        case CellType::Empty:
            break;
    }
    return {};
}

// Column names from the first row that holds a value: an empty header cell names its column
// F<n> (n its position from 1), and so does a name that repeats an earlier one without regard
// to letter case, since the query could not tell the two apart.
QStringList headerNames(const Sheet& sheet, const Workbook& wb, int firstCol, int columns) {
    QStringList names;
    QSet<QString> taken;
    std::size_t i = 0;
    const std::uint16_t headerRow = sheet.cells.empty() ? 0 : sheet.cells[0].row;
    for (int n = 0; n < columns; ++n) {
        QString name;
        while (i < sheet.cells.size() && sheet.cells[i].row == headerRow &&
               sheet.cells[i].col < firstCol + n)
            ++i;
        if (i < sheet.cells.size() && sheet.cells[i].row == headerRow &&
            sheet.cells[i].col == firstCol + n)
            name = cellText(sheet.cells[i], wb);
        name.replace(QChar(0), QChar(0xFFFD));
        if (name.isEmpty() || taken.contains(name.toCaseFolded())) {
            name = QStringLiteral("F%1").arg(n + 1);
            for (int k = 2; taken.contains(name.toCaseFolded()); ++k)
                name = QStringLiteral("F%1_%2").arg(n + 1).arg(k);
        }
        taken.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}

// A loaded sheet as the engine sees it: a read-only virtual table over the cells in memory, so
// that the sheet costs no copy into the engine. Each data row is a row that holds a value.
struct SheetData {
    std::shared_ptr<Workbook> workbook;
    Sheet sheet;
    int firstCol = 0;
    QStringList names;
    std::vector<std::uint32_t> rowStart;  // first cell of each data row, then the end
};

struct SheetVtab : sqlite3_vtab {
    SheetData* data = nullptr;
};

struct SheetCursor : sqlite3_vtab_cursor {
    std::size_t row = 0;
};

int sheetConnect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    auto* data = static_cast<SheetData*>(aux);
    QStringList quoted;
    for (const QString& n : data->names) quoted << quoteIdentifier(n);
    const QByteArray schema =
        QStringLiteral("CREATE TABLE x(%1)").arg(quoted.join(QLatin1Char(','))).toUtf8();
    const int rc = sqlite3_declare_vtab(db, schema.constData());
    if (rc != SQLITE_OK) return rc;
    sqlite3_vtab_config(db, SQLITE_VTAB_DIRECTONLY);
    auto* vtab = new SheetVtab;
    vtab->data = data;
    *out = vtab;
    return SQLITE_OK;
}

int sheetDisconnect(sqlite3_vtab* vtab) {
    delete static_cast<SheetVtab*>(vtab);
    return SQLITE_OK;
}

int sheetBestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    // Only whole scans: the engine applies every condition itself.
    const double rows = double(static_cast<SheetVtab*>(vtab)->data->rowStart.size() - 1);
    info->estimatedCost = rows + 1;
    info->estimatedRows = sqlite3_int64(rows);
    return SQLITE_OK;
}

int sheetOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = new SheetCursor;
    return SQLITE_OK;
}

int sheetClose(sqlite3_vtab_cursor* cursor) {
    delete static_cast<SheetCursor*>(cursor);
    return SQLITE_OK;
}

int sheetFilter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
    static_cast<SheetCursor*>(cursor)->row = 0;
    return SQLITE_OK;
}

int sheetNext(sqlite3_vtab_cursor* cursor) {
    ++static_cast<SheetCursor*>(cursor)->row;
    return SQLITE_OK;
}

int sheetEof(sqlite3_vtab_cursor* cursor) {
    const SheetData* d = static_cast<SheetVtab*>(cursor->pVtab)->data;
    return static_cast<SheetCursor*>(cursor)->row + 1 >= d->rowStart.size();
}

int sheetRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
    *rowid = sqlite3_int64(static_cast<SheetCursor*>(cursor)->row) + 1;
    return SQLITE_OK;
}

int sheetColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int column) {
    const SheetData* d = static_cast<SheetVtab*>(cursor->pVtab)->data;
    const std::size_t row = static_cast<SheetCursor*>(cursor)->row;
    const auto first = d->sheet.cells.begin() + d->rowStart[row];
    const auto last = d->sheet.cells.begin() + d->rowStart[row + 1];
    const int col = d->firstCol + column;
    const auto it =
        std::lower_bound(first, last, col, [](const Cell& c, int v) { return c.col < v; });
    if (it == last || it->col != col) return SQLITE_OK;  // an empty cell: no value
    const Cell& c = *it;
    const Workbook& wb = *d->workbook;
    switch (c.type) {
        case CellType::Number: {
            if (c.date) {
                const QString text = dateText(c.number, wb.dateMode1904());
                if (!text.isNull()) {
                    const QByteArray u = text.toUtf8();
                    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
                    break;
                }
            }
            qint64 whole = 0;
            if (wholeInteger(c.number, whole))
                sqlite3_result_int64(ctx, whole);
            else if (std::isfinite(c.number))
                sqlite3_result_double(ctx, c.number);
            else
                sqlite3_result_text(ctx, "#NUM!", 5, SQLITE_STATIC);
            break;
        }
        case CellType::Text: {
            const QByteArray& t = wb.text(c.text);
            sqlite3_result_text(ctx, t.constData(), int(t.size()), SQLITE_STATIC);
            break;
        }
        case CellType::Boolean: {
            const QByteArray& t = c.code ? kTrueUtf8 : kFalseUtf8;
            sqlite3_result_text(ctx, t.constData(), int(t.size()), SQLITE_STATIC);
            break;
        }
        case CellType::Error: {
            const QByteArray t = Workbook::errorText(c.code).toUtf8();
            sqlite3_result_text(ctx, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case CellType::Empty:
            break;
    }
    return SQLITE_OK;
}

const sqlite3_module kSheetModule = {
    /* iVersion */ 0,
    /* xCreate */ sheetConnect,
    /* xConnect */ sheetConnect,
    /* xBestIndex */ sheetBestIndex,
    /* xDisconnect */ sheetDisconnect,
    /* xDestroy */ sheetDisconnect,
    /* xOpen */ sheetOpen,
    /* xClose */ sheetClose,
    /* xFilter */ sheetFilter,
    /* xNext */ sheetNext,
    /* xEof */ sheetEof,
    /* xColumn */ sheetColumn,
    /* xRowid */ sheetRowid,
    /* xUpdate */ nullptr,
    /* xBegin */ nullptr,
    /* xSync */ nullptr,
    /* xCommit */ nullptr,
    /* xRollback */ nullptr,
    /* xFindFunction */ nullptr,
    /* xRename */ nullptr,
    /* xSavepoint */ nullptr,
    /* xRelease */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

// Failures given in more than one place.
Result refusedOperation() {
    return Result::failure(ErrorKind::Refused,
                           QStringLiteral("SQL文で許されていない操作です。実行できるのは、シートを"
                                          "読む SELECT 文一つだけです。"));
}
Result notOpen() {
    return Result::failure(ErrorKind::QueryFailed,
                           QStringLiteral("データベースが開かれていません。"));
}

struct Statement {
    sqlite3_stmt* p = nullptr;
    ~Statement() { sqlite3_finalize(p); }
};

}  // namespace

struct RecordSource::Impl {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    bool atEnd = true;
    Options options;
    QElapsedTimer clock;
    qint64 deadline = 0;
    QSet<QString> tables;                    // loaded tables, case-folded
    QHash<QString, QString> canonicalNames;  // case-folded name -> name as loaded ("" if ambiguous)
    QStringList columns;
    int modules = 0;

    ~Impl() { close(); }

    void close() {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        sqlite3_close_v2(db);
        db = nullptr;
        modules = 0;
        atEnd = true;
        columns.clear();
        tables.clear();
        canonicalNames.clear();
    }

    void startClock() {
        if (!clock.isValid()) clock.start();
        deadline = clock.elapsed() + options.timeLimitMs;
    }

    void remember(const QString& name) {
        const QString folded = name.toCaseFolded();
        const auto it = canonicalNames.constFind(folded);
        if (it == canonicalNames.constEnd())
            canonicalNames.insert(folded, name);
        else if (*it != name)
            canonicalNames.insert(folded, QString());
    }

    static int progress(void* self) {
        auto* d = static_cast<Impl*>(self);
        return d->clock.elapsed() > d->deadline ? 1 : 0;
    }

    // Allows what a SELECT over the loaded sheets needs, and nothing else.
    static int authorize(void* self, int action, const char* a, const char* b, const char* db,
                         const char*) {
        auto* d = static_cast<Impl*>(self);
        switch (action) {
            case SQLITE_SELECT:
            case SQLITE_RECURSIVE:
                return SQLITE_OK;
            case SQLITE_READ:
                if (a && (!db || qstrcmp(db, "main") == 0) &&
                    d->tables.contains(QString::fromUtf8(a).toCaseFolded()))
                    return SQLITE_OK;
                return SQLITE_DENY;
            case SQLITE_FUNCTION:
                if (b && qstricmp(b, "load_extension") == 0) return SQLITE_DENY;
                return SQLITE_OK;
            default:
                return SQLITE_DENY;
        }
    }

    Result engineFailure(int rc) const {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        if (rc == SQLITE_INTERRUPT || (rc & 0xFF) == SQLITE_INTERRUPT)
            return Result::failure(
                ErrorKind::Interrupted,
                QStringLiteral("SQL文の実行に時間がかかりすぎるため中止しました。"));
        if ((rc & 0xFF) == SQLITE_AUTH) return refusedOperation();
        static const QRegularExpression column(QStringLiteral("^no such column: (.*)$"));
        static const QRegularExpression table(QStringLiteral("^no such table: (?:main\\.)?(.*)$"));
        static const QRegularExpression near(QStringLiteral("^near \"(.*)\": syntax error$"));
        QRegularExpressionMatch m;
        if ((m = column.match(message)).hasMatch())
            return Result::failure(
                ErrorKind::UnknownColumn,
                QStringLiteral("列「%1」がシートにありません。").arg(m.captured(1)));
        if ((m = table.match(message)).hasMatch())
            return Result::failure(
                ErrorKind::SheetNotFound,
                QStringLiteral("シート「%1」がブックにありません。").arg(m.captured(1)));
        if ((m = near.match(message)).hasMatch())
            return Result::failure(
                ErrorKind::Syntax,
                QStringLiteral("SQL構文が正しくありません（「%1」の付近）。").arg(m.captured(1)));
        if (message.contains(QLatin1String("syntax error")) ||
            message.contains(QLatin1String("incomplete input")))
            return Result::failure(ErrorKind::Syntax,
                                   QStringLiteral("SQL構文が正しくありません。"));
        if (message.contains(QLatin1String("not authorized"))) return refusedOperation();
        return Result::failure(ErrorKind::QueryFailed,
                               QStringLiteral("SQL文を実行できません（%1）。").arg(message));
    }

    Result exec(const char* sql) {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        return rc == SQLITE_OK ? Result::success() : engineFailure(rc);
    }

    Result openEngine() {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY |
                          SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
        if (sqlite3_open_v2(":memory:", &db, flags, nullptr) != SQLITE_OK)
            return Result::failure(
                ErrorKind::QueryFailed,
                QStringLiteral("SQL文を実行する準備ができません（メモリ不足）。"));
        if (sqlite3_hard_heap_limit64(-1) == 0) sqlite3_hard_heap_limit64(kHeapLimit);
        sqlite3_extended_result_codes(db, 1);
        sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
        // A double-quoted name that matches no column is an error, not a text.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        // Sorting and grouping stay in memory: nothing is ever written to disk.
        return exec("PRAGMA temp_store = MEMORY");
    }

    // Makes the sheet the table of that name: column names from its first row that holds a
    // value, one row for each further row that holds a value.
    Result loadSheet(const QString& table, std::shared_ptr<Workbook> workbook, Sheet sheet) {
        auto data = std::make_unique<SheetData>();
        data->workbook = std::move(workbook);
        data->sheet = std::move(sheet);
        const std::vector<Cell>& cells = data->sheet.cells;
        int lastCol = 0;
        if (!cells.empty()) {
            data->firstCol = lastCol = cells[0].col;
            for (const Cell& c : cells) {
                data->firstCol = std::min<int>(data->firstCol, c.col);
                lastCol = std::max<int>(lastCol, c.col);
            }
        }
        data->names =
            headerNames(data->sheet, *data->workbook, data->firstCol, lastCol - data->firstCol + 1);
        for (const QString& n : data->names) remember(n);
        std::size_t i = 0;
        while (i < cells.size() && cells[i].row == cells[0].row) ++i;
        for (std::size_t j = i; j < cells.size(); ++j)
            if (j == i || cells[j].row != cells[j - 1].row)
                data->rowStart.push_back(std::uint32_t(j));
        data->rowStart.push_back(std::uint32_t(cells.size()));

        const QByteArray module = QByteArray("pellix_sheet_") + QByteArray::number(modules++);
        SheetData* raw = data.release();
        int rc = sqlite3_create_module_v2(db, module.constData(), &kSheetModule, raw,
                                          [](void* p) { delete static_cast<SheetData*>(p); });
        if (rc != SQLITE_OK) return engineFailure(rc);
        const QByteArray create = QStringLiteral("CREATE VIRTUAL TABLE %1 USING %2")
                                      .arg(quoteIdentifier(table), QString::fromLatin1(module))
                                      .toUtf8();
        return exec(create.constData());
    }

    int step() {
        const int rc = sqlite3_step(stmt);
        atEnd = rc != SQLITE_ROW;
        return rc;
    }

    Result rewind() {
        sqlite3_reset(stmt);
        const int rc = step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return engineFailure(rc);
        return Result::success();
    }

    Field value(int column) const {
        if (!stmt || atEnd || column < 0 || column >= sqlite3_column_count(stmt))
            return std::nullopt;
        switch (sqlite3_column_type(stmt, column)) {
            case SQLITE_INTEGER:
                return QString::number(sqlite3_column_int64(stmt, column));
            case SQLITE_FLOAT:
                return numberText(sqlite3_column_double(stmt, column));
            case SQLITE_NULL:
                return std::nullopt;
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
                return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
            }
        }
    }
};

RecordSource::RecordSource() : d(std::make_unique<Impl>()) {}
RecordSource::~RecordSource() = default;

bool RecordSource::isOpen() const {
    return d->stmt != nullptr;
}
void RecordSource::close() {
    d->close();
}

Result RecordSource::open(const QString& path, const QString& queryText) {
    return open(path, queryText, Options{});
}

Result RecordSource::open(const QString& path, const QString& queryText, const Options& options) {
    close();
    auto wb = std::make_shared<Workbook>();
    if (Result s = wb->openFile(path); !s) return s;
    return open(std::move(wb), queryText, options);
}

Result RecordSource::open(std::shared_ptr<Workbook> wb, const QString& queryText) {
    return open(std::move(wb), queryText, Options{});
}

Result RecordSource::open(std::shared_ptr<Workbook> wb, const QString& queryText,
                          const Options& options) {
    close();
    d->options = options;
    Result status = [&]() -> Result {
        if (queryText.contains(QChar(0)))
            return Result::failure(ErrorKind::Refused,
                                   QStringLiteral("SQL文に使えない文字 (NUL) が含まれています。"));
        const QList<Token> tokens = tokenize(queryText);
        if (Result s = d->openEngine(); !s) return s;
        d->startClock();
        for (const QString& table : sheetTables(tokens)) {
            const QString sheetName = table.chopped(1);
            const int index = wb->findSheet(sheetName);
            if (index < 0)
                return Result::failure(
                    ErrorKind::SheetNotFound,
                    QStringLiteral("シート「%1」がブックにありません。").arg(sheetName));
            Sheet sheet;
            if (Result s = wb->readSheet(index, sheet); !s) return s;
            if (Result s = d->loadSheet(table, wb, std::move(sheet)); !s) return s;
            d->tables.insert(table.toCaseFolded());
            d->remember(table);
        }

        sqlite3_set_authorizer(d->db, &Impl::authorize, d.get());
        sqlite3_progress_handler(d->db, 1000, &Impl::progress, d.get());
        const QString sql = engineText(queryText, tokens, [this](const QString& name) {
            return d->canonicalNames.value(name.toCaseFolded());
        });
        const QByteArray utf8 = sql.toUtf8();
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v3(d->db, utf8.constData(), int(utf8.size()), 0, &d->stmt, &tail);
        if (rc != SQLITE_OK) return d->engineFailure(rc);
        if (!d->stmt)
            return Result::failure(
                ErrorKind::Syntax,
                QStringLiteral("SQL構文が正しくありません（SQL文がありません）。"));
        // Only blanks and comments may follow the statement.
        const char* end = utf8.constData() + utf8.size();
        if (tail && tail < end) {
            Statement second;
            rc = sqlite3_prepare_v3(d->db, tail, int(end - tail), 0, &second.p, nullptr);
            if (rc != SQLITE_OK || second.p)
                return Result::failure(
                    ErrorKind::Refused,
                    QStringLiteral("SQL文が二つ以上あります。実行できるのは、シートを読む "
                                   "SELECT 文一つだけです。"));
        }
        if (!sqlite3_stmt_readonly(d->stmt)) return refusedOperation();
        for (int i = 0; i < sqlite3_column_count(d->stmt); ++i)
            d->columns << QString::fromUtf8(sqlite3_column_name(d->stmt, i));
        return d->rewind();
    }();
    if (!status) close();
    return status;
}

QStringList RecordSource::columnNames() const {
    return d->columns;
}
int RecordSource::columnCount() const {
    return int(d->columns.size());
}

Result RecordSource::count(qint64& rows) {
    rows = 0;
    if (!d->stmt) return notOpen();
    d->startClock();
    sqlite3_reset(d->stmt);
    int rc;
    while ((rc = d->step()) == SQLITE_ROW) ++rows;
    if (rc != SQLITE_DONE) return d->engineFailure(rc);
    if (Result s = d->rewind(); !s) return s;
    if (rows == 0)
        return Result::failure(ErrorKind::NoRows, QStringLiteral("該当するデータがありません。"));
    return Result::success();
}

Result RecordSource::rewind() {
    if (!d->stmt) return notOpen();
    d->startClock();
    return d->rewind();
}

bool RecordSource::atEnd() const {
    return d->atEnd;
}

Result RecordSource::moveNext() {
    if (!d->stmt || d->atEnd) return Result::success();
    d->startClock();
    const int rc = d->step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return d->engineFailure(rc);
    return Result::success();
}

Field RecordSource::value(int column) const {
    return d->value(column);
}

Record RecordSource::record() const {
    Record r;
    for (int i = 0; i < 4; ++i) r.fields[std::size_t(i)] = d->value(i);
    return r;
}

Result RecordSource::readAll(ResultTable& table) {
    table = {};
    if (Result s = rewind(); !s) return s;
    table.columns = d->columns;
    const int n = columnCount();
    while (!d->atEnd) {
        QList<Field> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i) row << d->value(i);
        table.rows << std::move(row);
        const int rc = d->step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return d->engineFailure(rc);
    }
    return d->rewind();
}

}  // namespace pellix::datasource
