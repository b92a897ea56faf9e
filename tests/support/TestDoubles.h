#pragma once

#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/OsVersion.h"
#include "platform/UrlOpener.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <optional>

namespace pellix::test {

// One message box as a window asked for it.
struct ShownMessage {
    QString prompt;
    QString title;
    platform::MessageBoxes::Icon icon;
};

// Records message boxes instead of showing them; every box is "dismissed" at once. An optional
// hook runs while the box would be up (to check what is on screen at that moment).
class RecordingMessageBoxes final : public platform::MessageBoxes {
  public:
    void show(QWidget* owner, const QString& prompt, const QString& title, Icon icon) override;
    QList<ShownMessage> shown;
    std::function<void(const ShownMessage&)> whileShown;
};

class FakeOsVersion final : public platform::OsVersion {
  public:
    platform::OsVersionInfo query() const override { return info; }
    platform::OsVersionInfo info{6, 1, 0, 2};
};

class RecordingUrlOpener final : public platform::UrlOpener {
  public:
    bool open(const QUrl& url) override {
        opened << url;
        return true;
    }
    QList<QUrl> opened;
};

// The file-open dialog as the test scripts it: each opening takes the next answer (a path, or
// nullopt for a cancel) and records what it was opened with. An opening with no answer left, or
// answers left over when the double goes away, fails the test.
class ScriptedFileDialogs final : public platform::FileDialogs {
  public:
    ~ScriptedFileDialogs() override;
    std::optional<QString> openFile(QWidget* owner, const QString& startPath,
                                    const QStringList& nameFilters) override;
    void expect(std::optional<QString> answer) { answers_ << std::move(answer); }

    int opened = 0;
    QString lastStartPath;
    QStringList lastNameFilters;

  private:
    QList<std::optional<QString>> answers_;
};

// A settings folder of a test's own: XDG_CONFIG_HOME points into a temporary folder for as long
// as the object lives. The settings folder itself is not created.
class TempConfigHome {
  public:
    TempConfigHome();
    ~TempConfigHome();
    QString settingsDir() const;  // .../qrv_ini4
    // Creates the settings folder and copies the named default files from the build's defaults.
    void installDefaults(const QStringList& names = {});
    // Writes raw bytes into a file of the settings folder (the folder is created).
    void writeFile(const QString& name, const QByteArray& bytes);
    QByteArray readFile(const QString& name) const;

  private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool hadValue_ = false;
};

// Makes writing fail for as long as the object lives: the process may write no file beyond
// `bytes` bytes (the file size limit, which binds root too), and a write past it fails with an
// error instead of ending the process. Only this process is affected.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }  // false when the limit could not be set

  private:
    bool active_ = false;
    unsigned long long savedLimit_ = 0;
    void (*savedHandler_)(int) = nullptr;
};

// Text with LF line ends turned into the CR LF the settings files use.
QByteArray crlf(const char* text);

// The bytes of a settings file: the header record and the value record as the program saves
// them, or the header record alone.
QByteArray settingsFile(const QStringList& header, const QStringList& values);
QByteArray settingsFile(const QStringList& header);

// Test data shipped in tests/data.
QString testData(const QString& name);
// The build's default settings folder (with the sample workbook's path filled in).
QString defaultsDir();

}  // namespace pellix::test
