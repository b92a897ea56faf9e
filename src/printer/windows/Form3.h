#pragma once

#include "shell/windowing/Window.h"

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pellix::printer {

// The output layout dialog: chooses the label layout and edits the two titles that every
// label prints. The renderer reads the titles from its boxes, loading it unseen when needed.
class Form3 : public shell::Window {
    Q_OBJECT
  public:
    explicit Form3(shell::AppContext& ctx);

    void Form_Load() override;
    void Command4_Click();
    void Command1_Click();

    // Whether the load could read the output settings file; saving is offered only then, so
    // that the paper and connection settings carried through a save are never guesses.
    bool settingsLoaded() const { return loaded_; }

    QLabel* Label1 = nullptr;  // heading
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 4> Option1{};
    QLabel* Label2 = nullptr;  // "SIZE 標準ﾀｲﾌﾟ"
    QLabel* Label4 = nullptr;  // "タイトル1"
    QLineEdit* Text1 = nullptr;
    QLabel* Label5 = nullptr;  // "タイトル2"
    QLineEdit* Text2 = nullptr;
    QLabel* Label6 = nullptr;  // "自社名"
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label7 = nullptr;    // "現在の設定"
    QLabel* Label3 = nullptr;    // the layout in force
    QLineEdit* Text5 = nullptr;  // YOSHI, carried through a save
    QLineEdit* Text6 = nullptr;  // PRINTER, carried through a save
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;

  private:
    bool loaded_ = false;
};

// Texts of the two layouts as the dialog shows them.
inline const QString kStandardLayout = QStringLiteral("標準ﾀｲﾌﾟ");
inline const QString kC5255Layout = QStringLiteral("C5255 家具統一伝票");

}  // namespace pellix::printer
