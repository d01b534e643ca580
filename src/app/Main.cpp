#include "app/Main.h"

#include "album/Capture.h"
#include "app/Placement.h"
#include "app/Windows.h"
#include "capture/Discovery.h"
#include "capture/DriverDialogs.h"
#include "capture/SelectSource.h"
#include "capture/Shutdown.h"
#include "platform/help/HelpService.h"
#include "playback/Open.h"
#include "resources/TextTable.h"
#include "settings/CameraSettings.h"
#include "settings/DriverKey.h"
#include "ui/Builders.h"
#include "ui/ErrorReport.h"
#include "ui/Hints.h"
#include "ui/Placement.h"
#include "ui/Shape.h"
#include "ui/WindowStyle.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>

namespace app {

namespace {

// One of the main window's glyph buttons, 25 pixels square along its panel.
QToolButton* mainButton(QWidget* panel, const char* name, int left, const char* glyph) {
    return ui::makeToolButton(panel, name, {left, 4, 25, 25},
                              QIcon(QStringLiteral(":/glyphs/%1.xpm").arg(QLatin1String(glyph))),
                              {18, 18});
}

} // namespace

TMainForm::TMainForm(MainContext context) : QWidget(nullptr, ui::kFixedToolWindow), ctx_(context) {
    setObjectName(QStringLiteral("MainForm"));
    setFont(ui::windowFont());
    setWindowIcon(QIcon(QStringLiteral(":/glyphs/nimbacast.xpm")));
    buildControls();
    setClientSize(kDesignClientWidth, kDesignClientHeight);
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildControls() {
    Panel2 = ui::makePanel(this, "Panel2", {0, 0, 121, 33});
    B_About = mainButton(Panel2, "B_About", 4, "about");
    B_Format = mainButton(Panel2, "B_Format", 33, "format");
    B_Source = mainButton(Panel2, "B_Source", 62, "source");
    B_Setting = mainButton(Panel2, "B_Setting", 91, "setting");

    Panel3 = ui::makePanel(this, "Panel3", {122, 0, 92, 33});
    B_CapFrames = mainButton(Panel3, "B_CapFrames", 4, "capframes");
    B_Open = mainButton(Panel3, "B_Open", 33, "open");
    B_Exit = mainButton(Panel3, "B_Exit", 62, "exit");

    SFrame = new ui::Shape(this);
    SFrame->setObjectName(QStringLiteral("SFrame"));
    SFrame->setGeometry(3, 34, 277, 219);
    SFrame->setBrushColor(kFrameColour);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setFont(ui::windowFont());
    StatusBar->setStyleSheet(QStringLiteral("QStatusBar { color: black; }"));

    connect(B_About, &QToolButton::clicked, this, &TMainForm::B_AboutClick);
    connect(B_Format, &QToolButton::clicked, this, &TMainForm::B_FormatClick);
    connect(B_Source, &QToolButton::clicked, this, &TMainForm::B_SourceClick);
    connect(B_Setting, &QToolButton::clicked, this, &TMainForm::B_SettingClick);
    connect(B_Exit, &QToolButton::clicked, this, &TMainForm::B_ExitClick);
    connect(B_CapFrames, &QToolButton::clicked, this, &TMainForm::B_CapFramesClick);
    connect(B_Open, &QToolButton::clicked, this, &TMainForm::B_OpenClick);
}

void TMainForm::FormCreate() {
    MainState& s = ctx_.state;

    s.PreviewOn = 0;
    ui::placeWindow(*this, {0, 0});

    const QString startDir = QDir::currentPath();
    helpFile_ = startDir + QStringLiteral("/GuiHelp.hlp");

    connect(&ctx_.hints, &ui::HintMachine::hintChanged, this, &TMainForm::ShowHintInStatus);
    ctx_.hints.setShowHints(true);

    using namespace resources;
    ui::setHint(B_Format, caption(kHintFormat));
    ui::setHint(B_Source, caption(kHintSource));
    ui::setHint(B_Setting, caption(kHintSetting));
    ui::setHint(B_About, caption(kHintAbout));
    ui::setHint(B_CapFrames, caption(kHintCapFrames));
    ui::setHint(B_Open, caption(kHintOpen));
    ui::setHint(B_Exit, caption(kHintExit));

    const settings::CameraSettings cameraSettings =
        settings::readCameraSettings(startDir + QStringLiteral("/Camera.ini"));
    setWindowTitle(settings::captionOf(cameraSettings));
    ui::application().setTitle(windowTitle());

    s.DriverKeyPath = settings::deriveDriverKeyPath(ctx_.registry, cameraSettings);
    settings::restorePictureSize(ctx_.registry, s.DriverKeyPath);

    capture::DiscoverDrivers(*this, s, ctx_.capture);

    const QString frameDir = QDir::currentPath();
    for (int i = 0; i < kFramePaths; ++i)
        s.FramePath[i] = frameDir + QStringLiteral("/Frame%1.bmp").arg(i);
}

void TMainForm::setClientSize(int width, int height) {
    setFixedSize(width, height);
    StatusBar->setGeometry(0, height - kStatusBarHeight, width, kStatusBarHeight);
}

void TMainForm::keepControlsAbove(const QWidget& below) {
    for (QWidget* control : {static_cast<QWidget*>(Panel2), static_cast<QWidget*>(Panel3),
                             static_cast<QWidget*>(StatusBar)}) {
        // Over a window of the X server's own (where the preview is drawn straight in), only
        // another such window stays on top.
        if (below.internalWinId()) {
            control->setAttribute(Qt::WA_NativeWindow);
            // A window of its own shows nothing of what lies beneath it: fill it.
            control->setAutoFillBackground(true);
        }
        control->raise();
    }
}

QString TMainForm::statusText() const {
    return StatusBar->currentMessage();
}

void TMainForm::setStatusText(const QString& text) {
    StatusBar->showMessage(text);
}

void TMainForm::B_AboutClick() {
    ctx_.help.showContents(helpFile_);
}

void TMainForm::B_FormatClick() {
    capture::ShowFormatDialog(*this, ctx_.state);
}

void TMainForm::B_SourceClick() {
    capture::ShowSourceDialog(ctx_.state);
}

void TMainForm::B_SettingClick() {
    capture::SelectSource(
        {*this, ctx_.state, *ctx_.windows.FConfig, *ctx_.windows.FNotice, ctx_.modal});
}

void TMainForm::B_ExitClick() {
    close();
}

void TMainForm::B_CapFramesClick() {
    album::CaptureFrame(
        {ctx_.state, *this, *ctx_.windows.Album, ctx_.sound, ctx_.messages, ctx_.systemDirectory});
}

void TMainForm::B_OpenClick() {
    playback::OpenMedia({ctx_.state, *this, *ctx_.windows.FAnimate, *ctx_.windows.Frame,
                         ctx_.fileDialogs, OpenDialog});
}

void TMainForm::ShowHintInStatus() {
    setStatusText(ctx_.hints.currentLongHint());
}

void TMainForm::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    capture::ShutDown(ctx_.state, ctx_.registry);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    // Closing the main window ends the program, whatever other windows are open.
    QCoreApplication::quit();
}

} // namespace app
