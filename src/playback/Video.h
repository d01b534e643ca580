#pragma once

#include "playback/MediaPlayer.h"

#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QWidget>

#include <array>

namespace playback {

// The AVI playback window: the video in a navy panel, the player's three buttons under it,
// and at the bottom the length and position clocks and a track bar of whole seconds.
// Hidden until a video is opened; closing it only hides it, and playback goes on.
class TFAnimate : public QWidget {
    Q_OBJECT
public:
    TFAnimate();

    static constexpr int kDesignClientWidth = 228;
    static constexpr int kDesignClientHeight = 247;
    static constexpr int kPanel2Height = 25;
    static constexpr int kTimerInterval = 500;

    TMediaPlayer* MediaPlayer = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Splitter1 = nullptr;
    QFrame* Splitter2 = nullptr;
    // The length clock: tens of minutes, minutes, colon, tens of seconds, seconds.
    QLabel* LMinS10 = nullptr;
    QLabel* LMinS1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LSecS10 = nullptr;
    QLabel* LSecS1 = nullptr;
    // The position clock, the same digits.
    QLabel* LMinN10 = nullptr;
    QLabel* LMinN1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* LSecN10 = nullptr;
    QLabel* LSecN1 = nullptr;
    QSlider* TrackBar = nullptr;
    QTimer* Timer1 = nullptr;

    // Sets the client area's size; Panel2 keeps to its bottom edge.
    void setClientSize(int width, int height);
    // Puts whole seconds into the length clock.
    void setLengthClock(std::uint32_t seconds);

public slots:
    void Timer1Timer();
    void TrackBarChange();
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void FormCreate();
    // A user's move of the track bar; its errors go to the standard report from here.
    void trackBarAction();
};

} // namespace playback
