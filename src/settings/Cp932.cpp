#include "settings/Cp932.h"

#include <iconv.h>
#include <cerrno>
#include <memory>

namespace pellix::settings {
namespace {

std::optional<QByteArray> convert(const char* to, const char* from, const QByteArray& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
    QByteArray out(in.size() * 2 + 16, Qt::Uninitialized);
    char* inPtr = const_cast<char*>(in.constData());
    size_t inLeft = size_t(in.size());
    size_t used = 0;
    while (true) {
        char* outPtr = out.data() + used;
        size_t outLeft = size_t(out.size()) - used;
        size_t r = iconv(cd, inLeft ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
        used = size_t(outPtr - out.data());
        if (r != size_t(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        return std::nullopt;  // EILSEQ or EINVAL: not representable or cut short
    }
    out.resize(qsizetype(used));
    return out;
}

}  // namespace

std::optional<QByteArray> toCp932(const QString& text) {
    return convert("CP932", "UTF-8", text.toUtf8());
}

std::optional<QString> fromCp932(const QByteArray& bytes) {
    auto utf8 = convert("UTF-8", "CP932", bytes);
    if (!utf8) return std::nullopt;
    return QString::fromUtf8(*utf8);
}

}  // namespace pellix::settings
