#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace app {
struct MainState;
}

namespace capture {

// "Select Source": the capture driver and the preview rate. Filled from the main window's
// state each time it is about to appear; OK and Cancel are its results.
class TFConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFConfig(const app::MainState& state);

    static constexpr int kClientWidth = 250;
    static constexpr int kClientHeight = 198;

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label4 = nullptr;
    QSlider* TrackBar = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    // 1 until the driver list has been filled, on the first showing.
    int DriverListPending = 1;

public slots:
    void FormShow();
    void ComboBox1Change();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void FormCreate();
    // The version label: the driver's version at that list position, empty for none.
    void showVersion(int position);

    const app::MainState& state_;
};

} // namespace capture
