// A print run to "Pellix PDF" killed with SIGKILL at random moments leaves only whole, readable
// PDF files under a label's name, never a partial one.
#include "platform/PrinterSystem.h"
#include "settings/SettingsFile.h"
#include "support/TestDoubles.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <thread>

using namespace pellix;

class tst_print_kill : public QObject {
    Q_OBJECT
  private slots:
    void killedRunLeavesWholeFiles();
};

void tst_print_kill::killedRunLeavesWholeFiles() {
    QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty());
    test::TempConfigHome home;
    home.installDefaults();
    home.writeFile(
        settings::kDatabaseFile,
        test::settingsFile(settings::databaseHeader(),
                           {test::testData(QStringLiteral("rows120.xls")), QStringLiteral("Sheet1"),
                            QStringLiteral("select * from ")}));
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const int kills = 25;
    int labels = 0;
    for (int i = 0; i < kills; ++i) {
        QTemporaryDir out;
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(platform::kPdfDirVariable), out.path());
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(PELLIX_PRINT_EXE),
                  {QStringLiteral("all"), QStringLiteral("--printer"), platform::kPdfPrinterName});
        // Wait for the first label, then kill somewhere in the labels that follow.
        QVERIFY(run.waitForReadyRead(30000));
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(200000)));
        ::kill(pid_t(run.processId()), SIGKILL);
        QVERIFY(run.waitForFinished(10000));

        const QStringList files =
            QDir(out.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        labels += int(files.size());
        for (const QString& name : files) {
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {out.path() + u'/' + name});
            QVERIFY(info.waitForFinished(30000));
            QVERIFY2(info.exitCode() == 0,
                     qPrintable(QStringLiteral("kill %1 (seed %2): %3 is not a whole PDF")
                                    .arg(i)
                                    .arg(seed)
                                    .arg(name)));
        }
    }
    QVERIFY(labels > 0);
    qInfo("%d kills, %d whole labels found", kills, labels);
}

QTEST_GUILESS_MAIN(tst_print_kill)
#include "tst_print_kill.moc"
