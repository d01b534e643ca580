#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace album {

// How the album saves a frame; kept for the run only.
struct SaveSettings {
    bool SaveAsJpeg = true;
    int JpegSampling = 2; // 0 "YUV(4:1:1)", 1 "YUV(4:2:2)", 2 "YUV(4:4:4)"
    int JpegQuality = 50; // 2 (best quality) .. 100 (strongest compression)
};

// The file format settings dialog of the frame export: BMP or JPEG, the JPEG sampling and
// quality. Its settings change only through OK; closing it otherwise discards the changes.
class TFormatJpeg : public QDialog {
    Q_OBJECT
public:
    TFormatJpeg();

    static constexpr int kClientWidth = 244;
    static constexpr int kJpegHeight = 232;
    static constexpr int kBmpHeight = 65;

    QGroupBox* Kind = nullptr;
    QRadioButton* KindBmp = nullptr;
    QRadioButton* KindJpeg = nullptr;
    QPushButton* Button1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Factor = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QSlider* QuanlityTrack = nullptr;
    QLineEdit* Edit1 = nullptr;

    SaveSettings settings;

    // The chosen item of the format group: 0 BMP, 1 JPEG.
    int kindItem() const { return KindJpeg->isChecked() ? 1 : 0; }
    void setKindItem(int item);

public slots:
    void FormActivate();
    void KindClick();
    void QuanlityTrackChange();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
};

} // namespace album
