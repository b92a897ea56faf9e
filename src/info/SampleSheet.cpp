#include "info/SampleSheet.h"

#include "platform/Fonts.h"

#include <QPainter>
#include <iterator>

namespace pellix::info {

QStringList sampleColumns() {
    return {QStringLiteral("バーコード"), QStringLiteral("品名"), QStringLiteral("名称"),
            QStringLiteral("価格")};
}

// The first rows of the sample workbook that ships with the program.
QList<SampleItem> sampleItems() {
    return {
        {QStringLiteral("4900012345600"), QStringLiteral("文具"), QStringLiteral("ボールペン 黒 1"),
         QStringLiteral("100")},
        {QStringLiteral("4900012345679"), QStringLiteral("文具"), QStringLiteral("ノート A5 2"),
         QStringLiteral("137")},
        {QStringLiteral("4900012345747"), QStringLiteral("食品"), QStringLiteral("緑茶 500ml 3"),
         QStringLiteral("174")},
        {QStringLiteral("4900012345815"), QStringLiteral("食品"), QStringLiteral("おにぎり 鮭 4"),
         QStringLiteral("211")},
        {QStringLiteral("4900012345884"), QStringLiteral("日用品"), QStringLiteral("歯ブラシ 5"),
         QStringLiteral("248")},
        {QStringLiteral("4900012345952"), QStringLiteral("日用品"), QStringLiteral("洗剤 詰替 6"),
         QStringLiteral("285")},
        {QStringLiteral("4900012346027"), QStringLiteral("家具"), QStringLiteral("スツール 7"),
         QStringLiteral("322")},
        {QStringLiteral("4900012346096"), QStringLiteral("家具"), QStringLiteral("本棚 3段 8"),
         QStringLiteral("359")},
    };
}

namespace {

// Geometry of the drawing, in pixels.
constexpr int kBarHeight = 22;                       // name box and formula bar
constexpr int kHeaderHeight = 18;                    // column letters
constexpr int kRowHeight = 17;                       // worksheet rows
constexpr int kRowHeaderWidth = 26;                  // row numbers
constexpr int kTabHeight = 20;                       // sheet tabs
constexpr int kColumnWidths[] = {108, 64, 118, 64};  // A to D; the columns after them are 64 wide

const QColor kChrome(236, 236, 236);
const QColor kHeaderFace(224, 224, 224);
const QColor kGridLine(208, 208, 208);
const QColor kFrameLine(160, 160, 160);
const QColor kText(0, 0, 0);

QFont pictureFont() {
    QFont f = platform::namedFont(platform::kPGothic, 9);
    f.setPixelSize(12);
    return f;
}

}  // namespace

QImage sampleSheetPicture() {
    const int width = kSamplePictureSize.width();
    const int height = kSamplePictureSize.height();
    QImage image(kSamplePictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(pictureFont());

    // Name box and formula bar, with the active cell A1.
    p.fillRect(0, 0, width, kBarHeight, kChrome);
    const QRect nameBox(3, 3, 44, kBarHeight - 6);
    const QRect formula(52, 3, width - 55, kBarHeight - 6);
    for (const QRect& r : {nameBox, formula}) {
        p.fillRect(r, Qt::white);
        p.setPen(kFrameLine);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    p.setPen(kText);
    p.drawText(nameBox.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("A1"));
    p.drawText(formula.adjusted(6, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, sampleColumns()[0]);

    // Column letters and the left edges of the columns, up to the picture's right edge.
    const int gridTop = kBarHeight + 1;
    const int rowsTop = gridTop + kHeaderHeight;
    const int rowsBottom = height - kTabHeight;
    QList<int> lefts;
    for (int x = kRowHeaderWidth, c = 0; x < width; ++c) {
        lefts << x;
        x += c < int(std::size(kColumnWidths)) ? kColumnWidths[c] : 64;
    }
    lefts << width;
    p.fillRect(0, gridTop, width, kHeaderHeight, kHeaderFace);
    p.fillRect(0, rowsTop, kRowHeaderWidth, rowsBottom - rowsTop, kHeaderFace);
    for (int c = 0; c + 1 < lefts.size(); ++c) {
        const QRect head(lefts[c], gridTop, lefts[c + 1] - lefts[c], kHeaderHeight);
        p.setPen(kText);
        p.drawText(head, Qt::AlignCenter, QString(QChar(char16_t(u'A' + c))));
    }

    // The rows: column names in row 1, then the items, then empty rows down to the tabs.
    const QList<SampleItem> items = sampleItems();
    const QStringList names = sampleColumns();
    int rows = 0;
    for (int y = rowsTop; y < rowsBottom; y += kRowHeight, ++rows) {
        const QRect number(0, y, kRowHeaderWidth, kRowHeight);
        p.setPen(kText);
        p.drawText(number, Qt::AlignCenter, QString::number(rows + 1));
        QStringList cells;
        if (rows == 0)
            cells = names;
        else if (rows - 1 < items.size()) {
            const SampleItem& item = items[rows - 1];
            cells = {item.barcode, item.category, item.name, item.price};
        }
        for (int c = 0; c < cells.size() && c + 1 < lefts.size(); ++c) {
            const QRect cell =
                QRect(lefts[c], y, lefts[c + 1] - lefts[c], kRowHeight).adjusted(3, 0, -3, 0);
            // Numbers stand at the right of their cells, texts at the left.
            const bool number = rows > 0 && (c == 0 || c == 3);
            p.drawText(cell, Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft),
                       cells[c]);
        }
    }

    // Grid lines and the frame of the headers.
    p.setPen(kGridLine);
    for (int y = rowsTop + kRowHeight; y < rowsBottom; y += kRowHeight)
        p.drawLine(kRowHeaderWidth, y - 1, width - 1, y - 1);
    for (int c = 1; c + 1 < lefts.size(); ++c)
        p.drawLine(lefts[c] - 1, rowsTop, lefts[c] - 1, rowsBottom - 1);
    p.setPen(kFrameLine);
    p.drawLine(0, gridTop, width - 1, gridTop);
    p.drawLine(0, rowsTop - 1, width - 1, rowsTop - 1);
    p.drawLine(kRowHeaderWidth - 1, gridTop, kRowHeaderWidth - 1, rowsBottom - 1);
    for (int c = 1; c + 1 < lefts.size(); ++c)
        p.drawLine(lefts[c] - 1, gridTop, lefts[c] - 1, rowsTop - 1);
    for (int y = rowsTop + kRowHeight; y < rowsBottom; y += kRowHeight)
        p.drawLine(0, y - 1, kRowHeaderWidth - 1, y - 1);

    // The active cell A1.
    p.setPen(QPen(kText, 2));
    p.drawRect(QRect(lefts[0], rowsTop, lefts[1] - lefts[0], kRowHeight).adjusted(0, 0, -1, -1));

    // The sheet's tab, named as the query names the sheet.
    p.fillRect(0, rowsBottom, width, kTabHeight, kChrome);
    p.setPen(kFrameLine);
    p.drawLine(0, rowsBottom, width - 1, rowsBottom);
    const QRect tab(kRowHeaderWidth + 4, rowsBottom, 64, kTabHeight - 3);
    p.fillRect(tab, Qt::white);
    p.drawLine(tab.topLeft(), tab.bottomLeft());
    p.drawLine(tab.bottomLeft(), tab.bottomRight());
    p.drawLine(tab.topRight(), tab.bottomRight());
    p.setPen(kText);
    p.drawText(tab, Qt::AlignCenter, QStringLiteral("sheet1"));
    return image;
}

}  // namespace pellix::info
