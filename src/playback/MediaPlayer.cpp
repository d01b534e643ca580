#include "playback/MediaPlayer.h"

#include "ui/Builders.h"
#include "ui/ErrorReport.h"

#include <QPainter>
#include <QPainterPath>

namespace playback {

namespace {

enum class Glyph { Play, Pause, Stop };

// Our own glyphs: a triangle, two bars, a square, dark on the button face.
QIcon glyphIcon(Glyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    switch (glyph) {
    case Glyph::Play: {
        QPainterPath triangle;
        triangle.moveTo(4, 2);
        triangle.lineTo(13, 8);
        triangle.lineTo(4, 14);
        triangle.closeSubpath();
        painter.setBrush(QColor(0, 110, 0));
        painter.drawPath(triangle);
        break;
    }
    case Glyph::Pause:
        painter.setBrush(QColor(0, 0, 128));
        painter.drawRect(4, 3, 3, 10);
        painter.drawRect(9, 3, 3, 10);
        break;
    case Glyph::Stop:
        painter.setBrush(QColor(128, 0, 0));
        painter.drawRect(4, 4, 8, 8);
        break;
    }
    return QIcon(pixmap);
}

// One of the player's buttons, side by side along its top.
QToolButton* playerButton(QWidget* parent, const char* name, int left, int width, Glyph glyph) {
    return ui::makeToolButton(parent, name, {left, 0, width, 25}, glyphIcon(glyph), {16, 16});
}

template <typename T> void raiseIfRefused(const platform::Result<T>& answer) {
    if (!answer.ok())
        throw ui::ToolkitError(answer.why());
}

// A count the device cannot give (no file is open) reads as 0, as the player's clock shows.
std::uint32_t countOrZero(const platform::Result<std::uint32_t>& count) {
    return count.ok() ? *count : 0;
}

} // namespace

TMediaPlayer::TMediaPlayer(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MediaPlayer"));
    btPlay = playerButton(this, "btPlay", 0, 29, Glyph::Play);
    btPause = playerButton(this, "btPause", 29, 28, Glyph::Pause);
    btStop = playerButton(this, "btStop", 57, 28, Glyph::Stop);
    connect(btPlay, &QToolButton::clicked, this, &TMediaPlayer::Play);
    connect(btPause, &QToolButton::clicked, this, &TMediaPlayer::PauseClick);
    connect(btStop, &QToolButton::clicked, this, &TMediaPlayer::Stop);
}

void TMediaPlayer::requireOpen() const {
    if (!device_.isOpen())
        throw ui::ToolkitError(QStringLiteral("No media device is open."));
}

void TMediaPlayer::Open() {
    raiseIfRefused(device_.open(FileName));
    // The device is open and the file has a picture, so the window is not refused.
    if (const auto caps = device_.getDevCaps(); caps.ok() && caps->hasVideo && Display)
        (void)device_.window(Display);
}

void TMediaPlayer::setTimeFormatMilliseconds() {
    raiseIfRefused(device_.setTimeFormat(platform::MediaTimeFormat::Milliseconds));
}

std::uint32_t TMediaPlayer::Length() {
    const platform::Result<std::uint32_t> length = device_.length();
    raiseIfRefused(length);
    return *length;
}

std::uint32_t TMediaPlayer::Position() {
    return countOrZero(device_.position());
}

void TMediaPlayer::setPosition(std::uint32_t ms) {
    requireOpen();
    // The track bar's whole seconds lie within the length; a position beyond it would leave
    // the device where it stands.
    (void)device_.seek(ms);
}

QRect TMediaPlayer::DisplayRect() {
    if (const platform::Result<QRect> rect = device_.whereDestination(); rect.ok())
        return *rect;
    return {};
}

void TMediaPlayer::setDisplayRect(const QRect& rect) {
    // A file without a picture has no destination to move; there is nothing to tell.
    (void)device_.putDestination(rect);
}

void TMediaPlayer::Play() {
    requireOpen();
    // The device is open, and these requests refuse only a closed one.
    const std::uint32_t position = countOrZero(device_.position());
    const std::uint32_t length = countOrZero(device_.length());
    if (position == length)
        (void)device_.seekToStart();
    (void)device_.play();
}

void TMediaPlayer::PauseClick() {
    requireOpen();
    const platform::Result<platform::MediaMode> answer = device_.mode();
    const platform::MediaMode mode = answer.ok() ? *answer : platform::MediaMode::NotReady;
    if (mode == platform::MediaMode::Playing)
        (void)device_.pause(); // refused only by a closed device
    else if (mode == platform::MediaMode::Paused)
        Resume();
}

void TMediaPlayer::Resume() {
    requireOpen();
    if (!device_.resume().ok())
        Play();
}

void TMediaPlayer::Stop() {
    requireOpen();
    (void)device_.stop(); // refused only by a closed device
}

} // namespace playback
