#include "printer/windows/SettingsDialog.h"

#include "platform/MessageBoxes.h"
#include "platform/Services.h"
#include "printer/OutputSettings.h"
#include "shell/windowing/WindowRegistry.h"

namespace pellix::printer {

namespace {

// The main window, which owns a message shown when the dialog is gone.
QWidget* mainWindow(shell::Window& dialog) {
    QMdiArea* area = dialog.context().windows.mdiArea();
    return area ? area->window() : nullptr;
}

}  // namespace

bool loadOutputSettings(shell::Window& dialog, OutputSettings& stored) {
    const Result status = readOutputSettings(stored);
    if (status) return true;
    dialog.context().services.messages.show(
        mainWindow(dialog),
        QStringLiteral("出力設定ファイルを読み込めません。\n%1").arg(status.message),
        QStringLiteral("設定エラー"), platform::MessageBoxes::Icon::Exclamation);
    dialog.Unload();
    return false;
}

bool finishSave(shell::Window& dialog, const Result& saved) {
    platform::MessageBoxes& messages = dialog.context().services.messages;
    if (!saved) {
        messages.show(&dialog,
                      QStringLiteral("設定を保存できませんでした。\n%1").arg(saved.message),
                      QStringLiteral("設定変更エラー"), platform::MessageBoxes::Icon::Critical);
        return false;
    }
    QWidget* owner = mainWindow(dialog);
    dialog.Unload();
    messages.show(owner, QStringLiteral("設定が変更されました｡"), QStringLiteral("設定変更"),
                  platform::MessageBoxes::Icon::Information);
    return true;
}

}  // namespace pellix::printer
