#pragma once

#include "shell/windowing/Window.h"

#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace pellix::printer {

// The print position adjustment dialog: three sliders shift every printed position right and
// down and make every printed text larger, in whole millimetres and points from -20 to +20.
// Saving rewrites the whole print position file: the three adjustments as the sliders show
// them, every other value as it was loaded.
class Form13 : public shell::Window {
    Q_OBJECT
  public:
    explicit Form13(shell::AppContext& ctx);

    // Loads the file and sets the sliders. A stored adjustment that is not a whole number from
    // -20 to +20 puts its slider at the nearest value in range (0 for one that is no number) and
    // the dialog says so. When the file cannot be read, says so naming the file and unloads.
    void Form_Load() override;
    // Each slider's value change: its value label and its saved field follow the slider.
    void Slider1_Click();
    void Slider2_Click();
    void Slider3_Click();
    // "保存設定": saves, closes the database settings dialog if it is open and this dialog, and
    // reports the change. A save that fails is reported and the dialog stays open as it was.
    void Command1_Click();

    QLabel* Label1 = nullptr;  // "印刷位置調整"
    QLabel* Label3 = nullptr;  // "横　位置調整"
    QSlider* Slider1 = nullptr;
    QLabel* Label12 = nullptr;  // "左"
    QLabel* Label5 = nullptr;   // "0"
    QLabel* Label11 = nullptr;  // "右"
    QLabel* Label14 = nullptr;  // SIZE1 as the slider shows it
    QLabel* Label2 = nullptr;   // "縦　位置調整"
    QSlider* Slider2 = nullptr;
    QLabel* Label9 = nullptr;  // "上"
    QLabel* Label6 = nullptr;  // "0"
    QLabel* Label8 = nullptr;  // "下"
    QLabel* Label15 = nullptr;
    QLabel* Label4 = nullptr;  // "フォントサイズ"
    QSlider* Slider3 = nullptr;
    QLabel* Label13 = nullptr;  // "小"
    QLabel* Label7 = nullptr;   // "0"
    QLabel* Label10 = nullptr;  // "大"
    QLabel* Label16 = nullptr;
    QPushButton* Command1 = nullptr;
    // Says which stored adjustments could not be shown as stored; empty otherwise.
    QLabel* LabelNotice = nullptr;
    // SIZE1, SIZE2, SIZE3 as they are saved; never shown.
    QLineEdit* Textsize1 = nullptr;
    QLineEdit* Textsize2 = nullptr;
    QLineEdit* Textsize3 = nullptr;

  private:
    void follow(QSlider* slider, QLabel* label, QLineEdit* field);

    // Every value of the file as loaded, in header order: the 96 values that this dialog carries
    // through a save unchanged, and the adjustments, which Textsize1 to Textsize3 replace.
    QStringList loaded_;
};

// Captions of the three slider rows, as the dialog names them.
inline const QString kHorizontalRow = QStringLiteral("横　位置調整");
inline const QString kVerticalRow = QStringLiteral("縦　位置調整");
inline const QString kFontSizeRow = QStringLiteral("フォントサイズ");

}  // namespace pellix::printer
