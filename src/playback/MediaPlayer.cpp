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

void raiseIfRefused(const platform::MediaAnswer& answer) {
    if (!answer.ok())
        throw ui::ToolkitError(answer.text);
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
    platform::MediaDevCaps caps;
    device_.getDevCaps(caps);
    if (caps.hasVideo && Display)
        device_.window(Display);
}

void TMediaPlayer::setTimeFormatMilliseconds() {
    raiseIfRefused(device_.setTimeFormat(platform::MediaTimeFormat::Milliseconds));
}

std::uint32_t TMediaPlayer::Length() {
    std::uint32_t length = 0;
    raiseIfRefused(device_.length(length));
    return length;
}

std::uint32_t TMediaPlayer::Position() {
    std::uint32_t position = 0;
    device_.position(position);
    return position;
}

void TMediaPlayer::setPosition(std::uint32_t ms) {
    requireOpen();
    device_.seek(ms);
}

QRect TMediaPlayer::DisplayRect() {
    QRect rect;
    if (device_.whereDestination(rect).ok())
        return rect;
    return {};
}

void TMediaPlayer::setDisplayRect(const QRect& rect) {
    device_.putDestination(rect);
}

void TMediaPlayer::Play() {
    requireOpen();
    std::uint32_t position = 0, length = 0;
    device_.position(position);
    device_.length(length);
    if (position == length)
        device_.seekToStart();
    device_.play();
}

void TMediaPlayer::PauseClick() {
    requireOpen();
    platform::MediaMode mode = platform::MediaMode::NotReady;
    device_.mode(mode);
    if (mode == platform::MediaMode::Playing)
        device_.pause();
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
    device_.stop();
}

} // namespace playback
