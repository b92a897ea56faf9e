#pragma once

#include "platform/Result.h"

#include <QString>

namespace pellix::printer {

// The four values of the output settings file, in the file's order.
struct OutputSettings {
    QString title1;
    QString title2;
    QString yoshi;    // paper code, "999" for no fixed paper
    QString printer;  // connection type: "0" standalone, anything else the other type

    bool operator==(const OutputSettings&) const = default;
};

// Reads the output settings file as a table. Fails with a message that names the file when it
// is missing or cannot be decoded, lacks one of the four columns, or has a value record shorter
// than its header record.
Result readOutputSettings(OutputSettings& values);

// Rewrites the output settings file whole with the four values.
Result writeOutputSettings(const OutputSettings& values);

}  // namespace pellix::printer
