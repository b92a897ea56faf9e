// Saves two settings files of the folder given as its argument over and over, alternating
// between two contents, until it is killed; says "saved" after each pair of saves. Used by the
// crash-safety test.
#include "settings/SettingsFile.h"

#include <QStringList>
#include <cstdio>

using namespace pellix;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString database = settings::fileIn(folder, settings::kDatabaseFile);
    const QString positions = settings::fileIn(folder, settings::kPositionFile);
    QStringList values[2] = {{}, {}};
    for (int i = 0; i < settings::kPositionFields; ++i) {
        values[0] << QString::number(i);
        values[1] << QStringLiteral("値%1").arg(i * 7);
    }
    // Ready: the test starts its clock now.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned n = 0;; ++n) {
        const QStringList& v = values[n % 2];
        if (!settings::save(database, settings::databaseHeader(), v.mid(0, 3))) return 1;
        if (!settings::save(positions, settings::positionHeader(), v)) return 1;
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}
