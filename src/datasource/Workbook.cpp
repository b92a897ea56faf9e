// glib's headers come before Qt's: Qt's keyword macros clash with names in glib's headers.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include "datasource/Workbook.h"

#include "datasource/BookReaders.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringView>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellix::datasource {

namespace {

// Record identifiers of the BIFF8 records the reader looks at.
enum : std::uint16_t {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
    kBof2 = 0x0009,
    kBof3 = 0x0209,
    kBof4 = 0x0409,
};

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr int kMaxColumns = 256;  // columns A to IV
// Beyond this a file is not a workbook of this format but something else.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

const unsigned char kOleSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::uint16_t u16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t u32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
double f64(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// RK: a compressed number (30-bit integer or the high 30 bits of a double, optionally / 100).
double rkValue(std::uint32_t rk) {
    double d;
    if (rk & 2) {
        d = double(std::int32_t(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, sizeof d);
    }
    if (rk & 1) d /= 100.0;
    return d;
}

struct Record {
    std::uint16_t id = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t len = 0;
    std::size_t next = 0;  // offset of the following record
};

// The record at pos; false when its header or body runs past the end of the stream.
bool recordAt(const std::vector<std::uint8_t>& s, std::size_t pos, Record& r) {
    if (pos > s.size() || s.size() - pos < 4) return false;
    r.id = u16(&s[pos]);
    r.len = u16(&s[pos + 2]);
    if (s.size() - pos - 4 < r.len) return false;
    r.data = s.data() + pos + 4;
    r.next = pos + 4 + r.len;
    return true;
}

// A record body followed by the bodies of its CONTINUE records, read as one sequence. Texts
// follow their own rule: where a CONTINUE begins in the middle of a text's characters, its
// first byte is a fresh flag byte telling whether the rest is stored 8 or 16 bits a character.
class Pieces {
  public:
    void add(const std::uint8_t* data, std::uint32_t len) { segs_.push_back({data, len}); }

    // Collects the record at r and the CONTINUE records after it; answers the offset after them.
    std::size_t collect(const std::vector<std::uint8_t>& s, const Record& r, std::uint32_t from) {
        segs_.clear();
        seg_ = 0;
        off_ = 0;
        add(r.data + from, r.len - from);
        std::size_t pos = r.next;
        Record c;
        while (recordAt(s, pos, c) && c.id == kContinue) {
            add(c.data, c.len);
            pos = c.next;
        }
        return pos;
    }

    bool bytes(std::uint8_t* out, std::size_t n) {
        while (n > 0) {
            if (!ensure()) return false;
            const std::size_t k = std::min<std::size_t>(n, segs_[seg_].len - off_);
            std::memcpy(out, segs_[seg_].data + off_, k);
            out += k;
            n -= k;
            off_ += std::uint32_t(k);
        }
        return true;
    }
    bool u8(std::uint8_t& v) { return bytes(&v, 1); }
    bool u16(std::uint16_t& v) {
        std::uint8_t b[2];
        if (!bytes(b, 2)) return false;
        v = datasource::u16(b);
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint8_t b[4];
        if (!bytes(b, 4)) return false;
        v = datasource::u32(b);
        return true;
    }
    bool skip(std::uint64_t n) {
        while (n > 0) {
            if (!ensure()) return false;
            const std::uint64_t k = std::min<std::uint64_t>(n, segs_[seg_].len - off_);
            n -= k;
            off_ += std::uint32_t(k);
        }
        return true;
    }

    // Reads cch characters, stored 16 bits each when high is set, else 8 bits each.
    bool chars(std::uint32_t cch, bool high, std::u16string& out) {
        out.clear();
        out.reserve(cch);
        while (cch > 0) {
            if (off_ >= segs_[seg_].len) {
                if (seg_ + 1 >= segs_.size()) return false;
                ++seg_;
                off_ = 0;
                std::uint8_t flag = 0;
                if (!u8(flag)) return false;
                high = flag & 1;
                continue;
            }
            const std::uint32_t avail = segs_[seg_].len - off_;
            const std::uint8_t* p = segs_[seg_].data + off_;
            if (high) {
                const std::uint32_t n = std::min(cch, avail / 2);
                if (n == 0) return false;  // half a character at the end of a piece
                const std::size_t at = out.size();
                out.resize(at + n);
                for (std::uint32_t i = 0; i < n; ++i)
                    out[at + i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
                cch -= n;
                off_ += 2 * n;
            } else {
                const std::uint32_t n = std::min(cch, avail);
                const std::size_t at = out.size();
                out.resize(at + n);
                for (std::uint32_t i = 0; i < n; ++i) out[at + i] = char16_t(p[i]);
                cch -= n;
                off_ += n;
            }
        }
        return true;
    }

    // An XLUnicodeString: 16-bit character count, flags, characters (rich text and phonetic
    // runs, where flagged, are read past).
    bool unicodeString(std::u16string& out) {
        std::uint16_t cch = 0;
        std::uint8_t flags = 0;
        if (!u16(cch) || !u8(flags)) return false;
        return richBody(cch, flags, out);
    }

    bool richBody(std::uint16_t cch, std::uint8_t flags, std::u16string& out) {
        std::uint16_t runs = 0;
        std::uint32_t ext = 0;
        if ((flags & 0x08) && !u16(runs)) return false;
        if ((flags & 0x04) && !u32(ext)) return false;
        if (!chars(cch, flags & 1, out)) return false;
        return skip(std::uint64_t(runs) * 4) && skip(ext);
    }

  private:
    // Moves to the next piece when the current one is used up; false at the very end.
    bool ensure() {
        while (off_ >= segs_[seg_].len) {
            if (seg_ + 1 >= segs_.size()) return false;
            ++seg_;
            off_ = 0;
        }
        return true;
    }
    struct Seg {
        const std::uint8_t* data;
        std::uint32_t len;
    };
    std::vector<Seg> segs_;
    std::size_t seg_ = 0;
    std::uint32_t off_ = 0;
};

QByteArray utf8(const std::u16string& s) {
    return QStringView(s.data(), qsizetype(s.size())).toUtf8();
}

}  // namespace

// Whether a number format shows dates or times: it has date or time codes outside quoted
// literals, escapes and bracketed options (except the elapsed-time codes [h] [m] [s]).
bool formatShowsDate(QStringView f) {
    const QString s = f.toString().toLower();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char(';')) break;  // only the section for positive numbers
        if (QStringView(s).mid(i).startsWith(QLatin1String("general"))) {
            i += 6;
            continue;
        }
        switch (c.unicode()) {
            case '"': {
                const qsizetype e = s.indexOf(QLatin1Char('"'), i + 1);
                if (e < 0) return false;
                i = e;
                break;
            }
            case '\\':
            case '_':
            case '*':
                ++i;
                break;
            case '[': {
                const qsizetype e = s.indexOf(QLatin1Char(']'), i + 1);
                if (e < 0) return false;
                const QString in = s.mid(i + 1, e - i - 1);
                if (!in.isEmpty() &&
                    (in[0] == QLatin1Char('h') || in[0] == QLatin1Char('m') ||
                     in[0] == QLatin1Char('s')) &&
                    in.count(in[0]) == in.size())
                    return true;
                i = e;
                break;
            }
            case 'e':
                if (i + 1 < s.size() &&
                    (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-')))
                    break;  // scientific notation
                return true;
            case 'd':
            case 'm':
            case 'y':
            case 'h':
            case 's':
            case 'g':
                return true;
            default:
                break;
        }
    }
    return false;
}

// Formats built into Excel that show dates or times, including those of Japanese Excel.
bool builtInDateFormat(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

namespace {

// The cell records of one worksheet read into its cells: read() dispatches a record to the
// function of its kind. Each answers false for a damaged record.
class SheetReader {
  public:
    SheetReader(const std::vector<std::uint8_t>& stream, std::vector<QByteArray>& strings,
                std::size_t sharedCount, const std::vector<bool>& xfIsDate,
                std::vector<Cell>& cells)
        : stream_(stream),
          strings_(strings),
          sharedCount_(sharedCount),
          xfIsDate_(xfIsDate),
          cells_(cells) {}

    // Reads the record r of the sheet's own level; next is the offset after it, moved past the
    // CONTINUE records that the record takes with it.
    bool read(const Record& r, std::size_t& next) {
        switch (r.id) {
            case kFormula:
            case kNumber:
            case kRk:
            case kMulRk:
            case kLabelSst:
            case kLabel:
            case kRString:
            case kBoolErr:
                // A STRING record belongs only to the formula right before it.
                pendingString_ = false;
                break;
            default:
                break;
        }
        switch (r.id) {
            case kNumber:
                return number(r);
            case kRk:
                return rk(r);
            case kMulRk:
                return mulRk(r);
            case kLabelSst:
                return labelSst(r);
            case kLabel:
            case kRString:
                return label(r, next);
            case kBoolErr:
                return boolErr(r);
            case kFormula:
                return formula(r);
            case kString:
                return string(r, next);
            default:
                return true;
        }
    }

  private:
    bool isDate(std::uint16_t xf) const { return xf < xfIsDate_.size() && xfIsDate_[xf]; }

    // Row and column of a cell record; false for a column beyond the last.
    static bool place(Cell& c, const std::uint8_t* d) {
        c.row = u16(d);
        c.col = u16(d + 2);
        return c.col < kMaxColumns;
    }

    bool addNumber(const std::uint8_t* d, double v, std::uint16_t xf, bool formula) {
        Cell c;
        if (!place(c, d)) return false;
        c.type = CellType::Number;
        c.number = v;
        c.date = isDate(xf);
        c.formula = formula;
        cells_.push_back(c);
        return true;
    }

    void addText(Cell c, QByteArray text) {
        if (text.isEmpty()) return;  // an empty text shows as an empty cell
        c.type = CellType::Text;
        c.text = std::uint32_t(strings_.size());
        strings_.push_back(std::move(text));
        cells_.push_back(c);
    }

    bool number(const Record& r) {
        if (r.len < 14) return true;
        return addNumber(r.data, f64(r.data + 6), u16(r.data + 4), false);
    }

    bool rk(const Record& r) {
        if (r.len < 10) return true;
        return addNumber(r.data, rkValue(u32(r.data + 6)), u16(r.data + 4), false);
    }

    // Several RK numbers side by side in one row.
    bool mulRk(const Record& r) {
        if (r.len < 6) return true;
        const std::uint32_t count = (r.len - 6) / 6;
        const std::uint16_t row = u16(r.data);
        const std::uint32_t first = u16(r.data + 2);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* e = r.data + 4 + 6 * i;
            const std::uint32_t col = first + i;
            if (col >= kMaxColumns) return false;
            Cell c;
            c.row = row;
            c.col = std::uint16_t(col);
            c.type = CellType::Number;
            c.number = rkValue(u32(e + 2));
            c.date = isDate(u16(e));
            cells_.push_back(c);
        }
        return true;
    }

    // A text of the shared string table.
    bool labelSst(const Record& r) {
        if (r.len < 10) return true;
        const std::uint32_t isst = u32(r.data + 6);
        if (isst >= sharedCount_) return false;
        if (strings_[isst].isEmpty()) return true;
        Cell c;
        if (!place(c, r.data)) return false;
        c.type = CellType::Text;
        c.text = isst;
        cells_.push_back(c);
        return true;
    }

    // A text stored in the cell record itself (LABEL, or RSTRING with its formatting runs).
    bool label(const Record& r, std::size_t& next) {
        if (r.len < 6) return true;
        next = pieces_.collect(stream_, r, 6);
        if (!pieces_.unicodeString(chars_)) return false;
        Cell c;
        if (!place(c, r.data)) return false;
        addText(c, utf8(chars_));
        return true;
    }

    bool boolErr(const Record& r) {
        if (r.len < 8) return true;
        Cell c;
        if (!place(c, r.data)) return false;
        c.type = r.data[7] ? CellType::Error : CellType::Boolean;
        c.code = c.type == CellType::Boolean ? (r.data[6] ? 1 : 0) : r.data[6];
        cells_.push_back(c);
        return true;
    }

    // The stored result of a formula: a number, or a marker for a text (which follows in a
    // STRING record), a Boolean, an error or an empty text.
    bool formula(const Record& r) {
        if (r.len < 20) return true;
        const std::uint8_t* v = r.data + 6;
        if (v[6] != 0xFF || v[7] != 0xFF) return addNumber(r.data, f64(v), u16(r.data + 4), true);
        Cell c;
        if (!place(c, r.data)) return false;
        c.formula = true;
        switch (v[0]) {
            case 0:
                pending_ = c;
                pendingString_ = true;
                break;
            case 1:
                c.type = CellType::Boolean;
                c.code = v[2] ? 1 : 0;
                cells_.push_back(c);
                break;
            case 2:
                c.type = CellType::Error;
                c.code = v[2];
                cells_.push_back(c);
                break;
            default:  // an empty text
                break;
        }
        return true;
    }

    // The text result of the formula before it.
    bool string(const Record& r, std::size_t& next) {
        if (!pendingString_) return true;
        pendingString_ = false;
        next = pieces_.collect(stream_, r, 0);
        if (!pieces_.unicodeString(chars_)) return false;
        addText(pending_, utf8(chars_));
        return true;
    }

    const std::vector<std::uint8_t>& stream_;
    std::vector<QByteArray>& strings_;
    const std::size_t sharedCount_;
    const std::vector<bool>& xfIsDate_;
    std::vector<Cell>& cells_;
    Pieces pieces_;
    std::u16string chars_;
    bool pendingString_ = false;
    Cell pending_;
};

}  // namespace

Result notAWorkbook(const QString& fileName) {
    return Result::failure(ErrorKind::NotWorkbook,
                           QStringLiteral("「%1」は読める形式のブックではありません。読めるのは "
                                          "Excel (.xls .xlsx)、OpenDocument (.ods)、CSV "
                                          "(.csv .txt) のファイルです。")
                               .arg(fileName));
}

static Result protectedBook(const QString& fileName) {
    return Result::failure(ErrorKind::Protected,
                           QStringLiteral("ブック「%1」はパスワードで保護されているため読めません。"
                                          "保護を解除して保存し直してください。")
                               .arg(fileName));
}

namespace {

void initGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // A damaged file is reported as such; the container library's own complaints about it
        // would only clutter standard error.
        const auto quiet = [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {};
        // Some of them carry no log domain; nothing else in the program logs through glib.
        for (const char* domain : {"libgsf", "libgsf:msole", static_cast<const char*>(nullptr)})
            g_log_set_handler(
                domain,
                GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_CRITICAL |
                               G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
                quiet, nullptr);
    });
}

// Releases a GObject on scope exit.
template <class T>
struct GRef {
    T* p = nullptr;
    ~GRef() {
        if (p) g_object_unref(p);
    }
};

// A file descriptor closed on scope exit.
struct FileHandle {
    int fd = -1;
    ~FileHandle() {
        if (fd >= 0) ::close(fd);
    }
};

// Stands for a path that names something other than a file or a folder (a device, a FIFO, a
// socket); no errno value means that.
constexpr int kNotRegular = -1;

// Where a path failed: looking it up, opening the file, or reading it.
enum class PathStep { Find, Open, Read };

// A workbook path that cannot be opened or read, with the reason in the user's words.
Result unusablePath(const QString& path, int error, PathStep step = PathStep::Open) {
    QString description;
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            description = QStringLiteral("ブック「%1」を開けません。ファイルが見つかりません。");
            break;
        case EISDIR:
            description =
                QStringLiteral("ブック「%1」を開けません。ファイルではなくフォルダーです。");
            break;
        case EACCES:
        case EPERM:
            if (step == PathStep::Find)
                description =
                    QStringLiteral("ブック「%1」を開けません。フォルダーに入る権限がありません。");
            else
                description =
                    QStringLiteral("ブック「%1」を開けません。ファイルを読む権限がありません。");
            break;
        case kNotRegular:
            description =
                QStringLiteral("ブック「%1」を開けません。通常のファイルではありません。");
            break;
        case ENAMETOOLONG:
            description = QStringLiteral("ブック「%1」を開けません。パスが長すぎます。");
            break;
        case ELOOP:
            description =
                QStringLiteral("ブック「%1」を開けません。シンボリックリンクの参照が多すぎます。");
            break;
        default:
            description = step == PathStep::Read
                              ? QStringLiteral("ブック「%1」を読み込めません（%2）。")
                              : QStringLiteral("ブック「%1」を開けません（%2）。");
            return Result::failure(
                ErrorKind::PathUnusable,
                description.arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    return Result::failure(ErrorKind::PathUnusable, description.arg(path));
}

}  // namespace

Workbook::Workbook() = default;
Workbook::~Workbook() = default;

QString Workbook::errorText(std::uint8_t code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#N/A");
    }
}

Result Workbook::corrupt() const {
    return Result::failure(
        ErrorKind::Corrupt,
        QStringLiteral("ブック「%1」は壊れているため読めません。").arg(fileName_));
}

Result Workbook::openFile(const QString& path) {
    if (path.isEmpty())
        return Result::failure(ErrorKind::PathUnusable,
                               QStringLiteral("ブックのパスが設定されていません。"));
    // A name with a NUL in it names no file; the system would see only the part before it.
    if (path.contains(QChar(0))) return unusablePath(path, ENOENT);
    const QByteArray name = QFile::encodeName(path);

    // Only a regular file is opened: opening a FIFO would wait for a writer, and a device may
    // act on being opened.
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return unusablePath(path, errno, PathStep::Find);
    if (!S_ISREG(st.st_mode)) return unusablePath(path, S_ISDIR(st.st_mode) ? EISDIR : kNotRegular);
    const FileHandle file{::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.fd < 0) return unusablePath(path, errno);
    // The path may have been replaced between the two looks.
    if (::fstat(file.fd, &st) != 0) return unusablePath(path, errno);
    if (!S_ISREG(st.st_mode)) return unusablePath(path, S_ISDIR(st.st_mode) ? EISDIR : kNotRegular);

    const QString shortName = QFileInfo(path).fileName();
    const auto tooBig = [&] {
        return Result::failure(
            ErrorKind::NotWorkbook,
            QStringLiteral("「%1」は大きすぎるため、ブックとして読めません。").arg(shortName));
    };
    if (st.st_size > kMaxFileBytes) return tooBig();
    // The file is read to its end, whatever size it had when it was looked at.
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > kMaxFileBytes) return tooBig();
            bytes.resize(std::min<qsizetype>(got * 2, kMaxFileBytes + 1));
        }
        const ssize_t n = ::read(file.fd, bytes.data() + got, std::size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return unusablePath(path, errno, PathStep::Read);
        if (n == 0) break;
        got += n;
    }
    bytes.truncate(got);
    return openBytes(bytes, shortName);
}

Result Workbook::openBytes(const QByteArray& bytes, const QString& fileName) {
    fileName_ = fileName;
    stream_.clear();
    sheetNames_.clear();
    sheets_.clear();
    strings_.clear();
    sharedCount_ = 0;
    xfIsDate_.clear();
    date1904_ = false;
    book_ = std::make_unique<LoadedBook>();
    textStorage_ = QByteArray();
    csv_ = false;

    loaded_ = false;
    const auto notWorkbook = [&] { return notAWorkbook(fileName_); };
    const auto oldFormat = [&] {
        return Result::failure(
            ErrorKind::OldFormat,
            QStringLiteral("「%1」は Excel 95 以前の形式のブックです。Excel 97-2003 "
                           "形式で保存し直してください。")
                .arg(fileName_));
    };
    const auto isOldBof = [](const std::uint8_t* p, std::size_t n) {
        if (n < 6) return false;
        const std::uint16_t id = u16(p);
        if (id == kBof2 || id == kBof3 || id == kBof4) return true;
        return id == kBof && u16(p + 4) < kBiff8;
    };

    const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    if (size < sizeof kOleSignature || std::memcmp(raw, kOleSignature, sizeof kOleSignature) != 0) {
        // A bare BIFF stream is how Excel 2 to 4 stored worksheets.
        if (isOldBof(raw, size)) return oldFormat();
        if (looksLikeZip(bytes)) return adopt(readPackage(bytes, fileName_, *book_));
        if (isTextTableName(fileName_)) {
            csv_ = true;
            return adopt(readCsv(bytes, fileName_, *book_));
        }
        return notWorkbook();
    }

    initGsf();
    GRef<GsfInput> input{gsf_input_memory_new(raw, gsf_off_t(size), FALSE)};
    if (!input.p) return corrupt();
    GError* err = nullptr;
    GRef<GsfInfile> ole{gsf_infile_msole_new(input.p, &err)};
    if (err) g_error_free(err);
    if (!ole.p) return corrupt();

    // Stream names are not case-sensitive in a compound file.
    GRef<GsfInput> book;
    bool hasOldBook = false;
    bool encrypted = false;
    const int n = gsf_infile_num_children(ole.p);
    for (int i = 0; i < n; ++i) {
        const char* name = gsf_infile_name_by_index(ole.p, i);
        if (!name) continue;
        const QString s = QString::fromUtf8(name);
        if (s.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0 && !book.p)
            book.p = gsf_infile_child_by_index(ole.p, i);
        else if (s.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)
            hasOldBook = true;
        else if (s == QLatin1String("EncryptedPackage") || s == QLatin1String("EncryptionInfo"))
            encrypted = true;
    }
    if (!book.p) {
        if (encrypted) return protectedBook(fileName_);
        if (hasOldBook) return oldFormat();
        return notWorkbook();
    }

    const gsf_off_t streamSize = gsf_input_size(book.p);
    // A stream cannot hold more than the file it is in.
    if (streamSize < 0 || std::uint64_t(streamSize) > size) return corrupt();
    stream_.resize(std::size_t(streamSize));
    std::size_t done = 0;
    while (done < stream_.size()) {
        const std::size_t chunk = std::min<std::size_t>(stream_.size() - done, 1 << 16);
        if (!gsf_input_read(book.p, chunk, stream_.data() + done)) return corrupt();
        done += chunk;
    }
    if (isOldBof(stream_.data(), stream_.size())) return oldFormat();
    return parseGlobals();
}

Result Workbook::parseGlobals() {
    Record r;
    if (!recordAt(stream_, 0, r) || r.id != kBof || r.len < 4) return corrupt();
    if (u16(r.data) < kBiff8) return corrupt();

    QHash<int, QString> formats;
    std::vector<int> xfFormat;
    Pieces pieces;
    std::u16string chars;
    std::size_t pos = r.next;
    bool ended = false;
    while (!ended && recordAt(stream_, pos, r)) {
        std::size_t next = r.next;
        switch (r.id) {
            case kFilePass:
                return protectedBook(fileName_);
            case kDateMode:
                if (r.len >= 2) date1904_ = u16(r.data) == 1;
                break;
            case kXf:
                if (r.len >= 4) xfFormat.push_back(u16(r.data + 2));
                break;
            case kFormat:
                if (r.len >= 2) {
                    next = pieces.collect(stream_, r, 2);
                    if (pieces.unicodeString(chars))
                        formats.insert(u16(r.data),
                                       QString::fromUtf16(chars.data(), qsizetype(chars.size())));
                }
                break;
            case kBoundSheet:
                if (r.len >= 8) {
                    const std::uint32_t offset = u32(r.data);
                    const std::uint8_t type = r.data[5];
                    const std::uint8_t cch = r.data[6];
                    const bool high = r.data[7] & 1;
                    if (std::uint32_t(8) + std::uint32_t(cch) * (high ? 2 : 1) > r.len)
                        return corrupt();
                    QString name;
                    for (int i = 0; i < cch; ++i)
                        name.append(high ? QChar(u16(r.data + 8 + 2 * i)) : QChar(r.data[8 + i]));
                    if (type == 0) {
                        sheets_.push_back({name, offset});
                        sheetNames_ << name;
                    }
                }
                break;
            case kSst: {
                if (r.len < 8) return corrupt();
                next = pieces.collect(stream_, r, 0);
                std::uint32_t total = 0, unique = 0;
                pieces.u32(total);
                pieces.u32(unique);
                // Each string takes at least three bytes, so the count cannot outgrow the stream.
                strings_.reserve(std::min<std::size_t>(unique, stream_.size() / 3));
                for (std::uint32_t i = 0; i < unique; ++i) {
                    if (!pieces.unicodeString(chars)) break;
                    strings_.push_back(utf8(chars));
                }
                break;
            }
            case kEof:
                ended = true;
                break;
            default:
                break;
        }
        pos = next;
    }
    if (!ended) return corrupt();
    sharedCount_ = strings_.size();

    // Each format is looked at once, however many XF records name it.
    QHash<int, bool> dateFormats;
    for (auto f = formats.constBegin(); f != formats.constEnd(); ++f)
        dateFormats.insert(f.key(), formatShowsDate(f.value()));
    xfIsDate_.resize(xfFormat.size());
    for (std::size_t i = 0; i < xfFormat.size(); ++i)
        xfIsDate_[i] = dateFormats.value(xfFormat[i], builtInDateFormat(xfFormat[i]));
    return Result::success();
}

Result Workbook::adopt(Result read) {
    if (!read) {
        book_.reset();
        csv_ = false;
        return read;
    }
    loaded_ = true;
    sheetNames_ = book_->names;
    strings_ = std::move(book_->strings);
    textStorage_ = std::move(book_->storage);
    sharedCount_ = strings_.size();
    date1904_ = book_->date1904;
    return read;
}

int Workbook::findSheet(const QString& name) const {
    // Text has one sheet, whatever name the settings give it.
    if (csv_) return sheetNames_.isEmpty() ? -1 : 0;
    const QString folded = name.toCaseFolded();
    for (qsizetype i = 0; i < sheetNames_.size(); ++i)
        if (sheetNames_[i].toCaseFolded() == folded) return int(i);
    return -1;
}

Result Workbook::readSheet(int index, Sheet& sheet) {
    sheet = {};
    if (loaded_) {
        if (index < 0 || std::size_t(index) >= book_->sheets.size()) return corrupt();
        sheet = book_->sheets[std::size_t(index)];
        return Result::success();
    }
    if (index < 0 || std::size_t(index) >= sheets_.size()) return corrupt();
    sheet.name = sheets_[std::size_t(index)].name;

    Record r;
    std::size_t pos = sheets_[std::size_t(index)].offset;
    if (!recordAt(stream_, pos, r) || r.id != kBof || r.len < 4 || u16(r.data) < kBiff8 ||
        u16(r.data + 2) != kWorksheetSubstream)
        return corrupt();
    pos = r.next;

    SheetReader reader(stream_, strings_, sharedCount_, xfIsDate_, sheet.cells);
    int depth = 1;  // charts embedded in the sheet nest their own BOF ... EOF
    while (depth > 0 && recordAt(stream_, pos, r)) {
        std::size_t next = r.next;
        if (r.id == kBof)
            ++depth;
        else if (r.id == kEof)
            --depth;
        else if (depth == 1 && !reader.read(r, next))
            return corrupt();
        pos = next;
    }
    if (depth > 0) return corrupt();  // the sheet's end is missing: a truncated stream
    inPositionOrder(sheet.cells);
    return Result::success();
}

// Cells come in row order from every writer we know; sorts only when they do not, and keeps the
// last of several cells written at one position.
void inPositionOrder(std::vector<Cell>& cells) {
    const auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    if (!std::is_sorted(cells.begin(), cells.end(), before))
        std::stable_sort(cells.begin(), cells.end(), before);
    std::size_t out = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (out > 0 && cells[out - 1].row == cells[i].row && cells[out - 1].col == cells[i].col)
            cells[out - 1] = cells[i];
        else
            cells[out++] = cells[i];
    }
    cells.resize(out);
}

}  // namespace pellix::datasource
