#include "platform/Barcode.h"

#include <zint.h>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>

namespace pellix::platform {

namespace {

const QByteArray kPrefix = QByteArrayLiteral("JAN-");
constexpr int kDefaultHeightModules = 50;

bool allDigits(const QByteArray& s) {
    return !s.isEmpty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct SymbolDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

int eanCheckDigit(const QByteArray& digits) {
    // Weights 3 and 1 alternate from the rightmost digit.
    int sum = 0;
    int weight = 3;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        sum += (digits[i] - '0') * weight;
        weight = 4 - weight;
    }
    return (10 - sum % 10) % 10;
}

std::optional<QByteArray> janDigits(const QByteArray& barcodeText) {
    if (!barcodeText.startsWith(kPrefix)) return std::nullopt;
    const QByteArray value = barcodeText.mid(kPrefix.size());
    if (!allDigits(value)) return std::nullopt;
    switch (value.size()) {
        case 12:
        case 7:
            return value + char('0' + eanCheckDigit(value));
        case 13:
        case 8:
            if (value.back() - '0' != eanCheckDigit(value.left(value.size() - 1)))
                return std::nullopt;
            return value;
        default:
            return std::nullopt;
    }
}

QSizeF BarcodePicture::naturalSizeMm() const {
    const QSizeF px = naturalSize();
    return {px.width() * 25.4 / 96.0, px.height() * 25.4 / 96.0};
}

void BarcodePicture::paint(QPainter& painter, const QRectF& target) const {
    if (modules <= 0 || target.width() <= 0 || target.height() <= 0) return;
    // Work in device pixels, whatever the painter's transformation.
    const QRectF device = painter.deviceTransform().mapRect(target);
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    const double scale = device.width() / modules;
    const int top = int(std::lround(device.top()));
    const int bottom = std::max(top + 1, int(std::lround(device.bottom())));
    for (const Bar& bar : bars) {
        const int left = int(std::lround(device.left() + bar.x * scale));
        const int right =
            std::max(left + 1, int(std::lround(device.left() + (bar.x + bar.width) * scale)));
        painter.fillRect(QRect(left, top, right - left, bottom - top), Qt::black);
    }
    painter.restore();
}

std::optional<BarcodePicture> encodeBarcode(const QByteArray& barcodeText, std::int16_t p1,
                                            std::int16_t p2, std::int16_t p3) {
    // The digits are checked here, not by zint, which pads or reinterprets short input.
    const auto digits = janDigits(barcodeText);
    if (!digits) return std::nullopt;
    const QByteArray data = digits->left(digits->size() - 1);  // zint adds the check digit

    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) return std::nullopt;
    symbol->symbology = BARCODE_EANX;
    symbol->show_hrt = 0;
    symbol->guard_descent = 0;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                        int(data.size())) >= ZINT_ERROR)
        return std::nullopt;
    if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector)
        return std::nullopt;

    const int symbolModules = symbol->width;  // 95 for EAN-13, 67 for EAN-8
    if (symbolModules <= 0) return std::nullopt;
    double minX = 1e300;
    double maxX = -1e300;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        minX = std::min(minX, double(r->x));
        maxX = std::max(maxX, double(r->x + r->width));
    }
    if (maxX <= minX) return std::nullopt;
    const double unit = (maxX - minX) / symbolModules;

    BarcodePicture picture;
    picture.digits = *digits;
    const bool ean13 = digits->size() == 13;
    const int left = p3 != 0 ? (ean13 ? 11 : 7) : 0;
    const int right = p3 != 0 ? 7 : 0;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        picture.bars << BarcodePicture::Bar{left + std::round((r->x - minX) / unit),
                                            std::round(r->width / unit)};
    std::sort(picture.bars.begin(), picture.bars.end(),
              [](const auto& a, const auto& b) { return a.x < b.x; });
    picture.modules = left + symbolModules + right;
    picture.modulePixels = std::max<int>(1, p1);
    picture.heightPixels = p2 >= 1 ? double(p2) : kDefaultHeightModules * picture.modulePixels;
    return picture;
}

std::int32_t BarcodeCopy(const QByteArray& barcodeText, std::int16_t p1, std::int16_t p2,
                         std::int16_t p3, PictureSlot& slot) {
    slot.picture = encodeBarcode(barcodeText, p1, p2, p3);
    return slot.picture ? 1 : 0;
}

std::int16_t BarcodeDisplay2(const QByteArray& barcodeText, std::int16_t x, std::int16_t y,
                             std::int16_t p1, std::int16_t p2, std::int16_t p3, QPainter& painter) {
    const auto picture = encodeBarcode(barcodeText, p1, p2, p3);
    if (!picture) return 0;
    picture->paint(painter, QRectF(QPointF(x, y), picture->naturalSize()));
    return 1;
}

}  // namespace pellix::platform
