#include "playback/Video.h"

#include "playback/Clocks.h"
#include "playback/Sizing.h"
#include "ui/Builders.h"
#include "ui/ErrorReport.h"
#include "ui/WindowStyle.h"

#include <QResizeEvent>
#include <QShowEvent>

namespace playback {

namespace {

QFont clockFont(bool bold) {
    QFont font = ui::serifFont();
    font.setPixelSize(16);
    font.setBold(bold);
    return font;
}

// A clock label; the minute digits keep their width, the others fit their text.
QLabel* makeClockLabel(QWidget* parent, const char* name, int left, int width, const char* text,
                       bool bold = false) {
    return ui::makeLabel(parent, name, {left, 3, width, 19}, QLatin1String(text), clockFont(bold));
}

bool fitsItsText(const QLabel* label) {
    const QString name = label->objectName();
    return !name.startsWith(QLatin1String("LMin"));
}

void setDigit(QLabel* label, std::uint32_t value) {
    label->setText(QString::number(value));
    if (fitsItsText(label))
        label->resize(label->sizeHint().width(), label->height());
}

} // namespace

TFAnimate::TFAnimate() : QWidget(nullptr, ui::kFixedToolWindow) {
    setObjectName(QStringLiteral("FAnimate"));
    setWindowTitle(QStringLiteral("FAnimate"));
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    setFont(font);
    buildControls();
    setClientSize(kDesignClientWidth, kDesignClientHeight);
    move(517, 247);
    FormCreate();
}

void TFAnimate::buildControls() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    QPalette navy = Panel1->palette();
    navy.setColor(QPalette::Window, QColor(0, 0, 128));
    Panel1->setPalette(navy);

    MediaPlayer = new TMediaPlayer(this);
    MediaPlayer->setGeometry(5, 191, 85, 25);
    MediaPlayer->Display = Panel1;

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Splitter1 = ui::makeSplitter(Panel2, "Splitter1", {2, 2, 55, 21});
    Splitter2 = ui::makeSplitter(Panel2, "Splitter2", {57, 2, 56, 21});

    LMinS10 = makeClockLabel(Panel2, "LMinS10", 8, 8, "0");
    LMinS1 = makeClockLabel(Panel2, "LMinS1", 16, 8, "0");
    Label1 = makeClockLabel(Panel2, "Label1", 26, 5, ":", true);
    LSecS10 = makeClockLabel(Panel2, "LSecS10", 32, 8, "0");
    LSecS1 = makeClockLabel(Panel2, "LSecS1", 40, 8, "0");
    LMinN10 = makeClockLabel(Panel2, "LMinN10", 64, 8, "0");
    LMinN1 = makeClockLabel(Panel2, "LMinN1", 72, 8, "0");
    Label3 = makeClockLabel(Panel2, "Label3", 82, 5, ":", true);
    LSecN10 = makeClockLabel(Panel2, "LSecN10", 88, 8, "0");
    LSecN1 = makeClockLabel(Panel2, "LSecN1", 96, 8, "0");

    TrackBar = new QSlider(Qt::Horizontal, Panel2);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setGeometry(115, 3, 110, 20);
    TrackBar->setRange(0, 10);
    TrackBar->setTickInterval(1);
    TrackBar->setTickPosition(QSlider::TicksBelow);
    TrackBar->setSingleStep(1);
    TrackBar->setPageStep(2);
    TrackBar->setValue(0);
    // Only a move by the user seeks: setting the position from code raises no action.
    connect(TrackBar, &QSlider::actionTriggered, this, &TFAnimate::trackBarAction);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    connect(Timer1, &QTimer::timeout, this, &TFAnimate::Timer1Timer);
}

void TFAnimate::FormCreate() {
    Timer1->start();
}

void TFAnimate::setClientSize(int width, int height) {
    resize(width, height);
    Panel2->setGeometry(0, height - kPanel2Height, width, kPanel2Height);
}

void TFAnimate::setLengthClock(std::uint32_t seconds) {
    const ClockDigits d = clockOf(seconds);
    setDigit(LMinS10, d.min10);
    setDigit(LMinS1, d.min1);
    setDigit(LSecS10, d.sec10);
    setDigit(LSecS1, d.sec1);
}

void TFAnimate::Timer1Timer() {
    const std::uint32_t p = MediaPlayer->Position() / 1000;
    TrackBar->setValue(static_cast<int>(std::min<std::uint32_t>(p, INT32_MAX)));
    const ClockDigits d = clockOf(p);
    setDigit(LMinN10, d.min10);
    setDigit(LMinN1, d.min1);
    setDigit(LSecN10, d.sec10);
    setDigit(LSecN1, d.sec1);
    // A file that breaks while it plays says why, once.
    if (const QString failure = MediaPlayer->device().takeFailure(); !failure.isEmpty())
        ui::application().reportError(failure);
}

void TFAnimate::trackBarAction() {
    // The error stops here rather than unwinding through the track bar's own action code;
    // the report opens once the event is done.
    try {
        TrackBarChange();
    } catch (const ui::ToolkitError& error) {
        ui::application().reportError(error.text());
    }
}

void TFAnimate::TrackBarChange() {
    MediaPlayer->setPosition(static_cast<std::uint32_t>(TrackBar->sliderPosition()) * 1000);
    MediaPlayer->Resume();
}

void TFAnimate::FormShow() {
    MediaPlayer->Play();
}

void TFAnimate::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only going from hidden to visible; a window restored from its icon is not shown anew.
    if (!event->spontaneous())
        FormShow();
}

void TFAnimate::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Panel2->setGeometry(0, height() - kPanel2Height, width(), kPanel2Height);
}

} // namespace playback
