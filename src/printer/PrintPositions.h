#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>
#include <array>

namespace pellix::printer {

// The three position adjustments: millimetres right, millimetres down, points larger.
inline constexpr int kAdjustmentMin = -20;
inline constexpr int kAdjustmentMax = 20;

// The print position file as the print position adjustment dialog edits it.
struct PrintPositions {
    // SIZE1, SIZE2, SIZE3 as stored.
    std::array<QString, 3> sizes;
    // Every value of the file, by column name, in the order of settings::positionHeader().
    QStringList values;

    // Reads the file as a table: the sizes by their own query, then every column. Fails with a
    // message naming the file when it is missing, unreadable, short or lacks a column.
    static Result read(PrintPositions& out);
    // Rewrites the file whole with its 99 values in header order.
    static Result save(const QStringList& values);
};

// Index of SIZE1 in the values of the file; SIZE2 and SIZE3 follow it.
inline constexpr int kFirstSizeIndex = 2;

// Where a slider shows a stored adjustment: the nearest whole number from -20 to +20, and 0 for
// a text that is no number (the empty text included). exact tells whether that is the stored
// value itself.
struct SliderPosition {
    int value = 0;
    bool exact = true;
};
SliderPosition sliderPosition(const QString& stored);

}  // namespace pellix::printer
