#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace pellix::info {

// The example worksheet that the Excel sample window shows: the column names in row 1, then one
// item per row, the way the record source reads a worksheet (barcode, item name, name, price).
struct SampleItem {
    QString barcode;  // a 13-digit JAN number, check digit included
    QString category;
    QString name;
    QString price;
};

QStringList sampleColumns();
QList<SampleItem> sampleItems();

// Size of the picture in pixels.
inline constexpr QSize kSamplePictureSize{453, 248};

// The example worksheet drawn in a spreadsheet window: name box and formula bar, column letters
// and row numbers, the grid with row 1 and the items, the sheet's tab.
QImage sampleSheetPicture();

}  // namespace pellix::info
