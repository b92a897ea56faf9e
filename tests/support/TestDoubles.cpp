#include "support/TestDoubles.h"

#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <csignal>

#include <sys/resource.h>

namespace pellix::test {

void RecordingMessageBoxes::show(QWidget*, const QString& prompt, const QString& title, Icon icon) {
    shown << ShownMessage{prompt, title, icon};
    if (whileShown) whileShown(shown.back());
}

ScriptedFileDialogs::~ScriptedFileDialogs() {
    if (!answers_.isEmpty())
        QTest::qFail("the file-open dialog was not opened as often as scripted", __FILE__,
                     __LINE__);
}

std::optional<QString> ScriptedFileDialogs::openFile(QWidget*, const QString& startPath,
                                                     const QStringList& nameFilters) {
    ++opened;
    lastStartPath = startPath;
    lastNameFilters = nameFilters;
    if (answers_.isEmpty()) {
        QTest::qFail("the file-open dialog opened without a scripted answer", __FILE__, __LINE__);
        return std::nullopt;
    }
    return answers_.takeFirst();
}

TempConfigHome::TempConfigHome() {
    hadValue_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    saved_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
}

TempConfigHome::~TempConfigHome() {
    if (hadValue_)
        qputenv("XDG_CONFIG_HOME", saved_);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString TempConfigHome::settingsDir() const {
    return dir_.path() + QStringLiteral("/qrv_ini4");
}

void TempConfigHome::installDefaults(const QStringList& names) {
    QDir().mkpath(settingsDir());
    QStringList files = names;
    if (files.isEmpty())
        files = {QStringLiteral("pimraconfig.txt"), QStringLiteral("pimraconfig2.txt"),
                 QStringLiteral("pimraconfig4.txt"), QStringLiteral("pimraconfig5.txt")};
    for (const QString& f : files) {
        QFile::remove(settingsDir() + QLatin1Char('/') + f);
        QFile::copy(defaultsDir() + QLatin1Char('/') + f, settingsDir() + QLatin1Char('/') + f);
    }
}

void TempConfigHome::writeFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(settingsDir());
    QFile f(settingsDir() + QLatin1Char('/') + name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray TempConfigHome::readFile(const QString& name) const {
    QFile f(settingsDir() + QLatin1Char('/') + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    savedLimit_ = limit.rlim_cur;
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (!active_) std::signal(SIGXFSZ, savedHandler_);
}

FileSizeLimit::~FileSizeLimit() {
    if (!active_) return;
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(savedLimit_);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, savedHandler_);
}

QByteArray crlf(const char* text) {
    return QByteArray(text).replace("\n", "\r\n");
}

QByteArray settingsFile(const QStringList& header, const QStringList& values) {
    return settingsFile(header) + settings::encodeRecord(values).value();
}

QByteArray settingsFile(const QStringList& header) {
    return settings::encodeRecord(header).value();
}

QString testData(const QString& name) {
    return QStringLiteral(PELLIX_TEST_DATA) + QLatin1Char('/') + name;
}

QString defaultsDir() {
    return QStringLiteral(PELLIX_DEFAULTS_BUILD_DIR);
}

}  // namespace pellix::test
