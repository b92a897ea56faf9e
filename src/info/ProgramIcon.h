#pragma once

#include <QImage>

namespace pellix::info {

// The program's icon, a label with bars on it, drawn at a size in pixels: the version window
// shows it, and it is every window's icon.
QImage programIcon(int size);

}  // namespace pellix::info
