#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QTextStream;
class QWidget;

namespace pellix::shell {
class WindowRegistry;
class frmMain;
}  // namespace pellix::shell

namespace pellix::app {

// What is wrong with drawing a text in a font: each character that comes out as a missing-glyph
// box, and each character beyond ASCII that is drawn in a face other than an IPA face. Empty
// when the text draws whole in the IPA faces.
QStringList glyphProblems(const QString& text, const QFont& font);

// The same for every text that a window shows: its caption, and the texts of its visible
// labels, buttons, frames, boxes, lists, grids and menus. Each problem names the control.
QStringList windowGlyphProblems(QWidget* window, const QString& name);

// The screenshot mode: saves a PNG of the main window with its main menu screen, then opens
// every window of the registry in turn, saves a PNG of it and closes it; message boxes that
// come up meanwhile are saved too and dismissed. Writes what it saved and every problem to
// report; answers 0 when every window opened and every text drew whole in the IPA faces.
int saveScreenshots(shell::frmMain& main, shell::WindowRegistry& windows, const QString& folder,
                    QTextStream& report);

}  // namespace pellix::app
