#include "album/Show.h"

#include "album/Export.h"
#include "album/Fimage.h"
#include "album/Format.h"
#include "album/Notice.h"
#include "album/PictureLoad.h"
#include "app/Main.h"
#include "app/MainState.h"
#include "app/Placement.h"
#include "app/Windows.h"
#include "resources/TextTable.h"
#include "ui/Builders.h"
#include "ui/ClickImage.h"
#include "ui/ErrorReport.h"
#include "ui/FileDialogs.h"
#include "ui/Hints.h"
#include "ui/Modal.h"
#include "ui/Placement.h"
#include "ui/ScrollBar.h"
#include "ui/WindowStyle.h"

#include <QIcon>
#include <QPixmap>

namespace album {

namespace {

const QSize kThumbnail(80, 60);

// One of the viewer's glyph buttons along its top, with its hint.
QToolButton* viewerButton(QWidget* parent, const char* name, int left, const char* glyph,
                          const char* hint) {
    QToolButton* button = ui::makeToolButton(
        parent, name, {left, 1, 25, 25},
        QIcon(QStringLiteral(":/album/%1.xpm").arg(QLatin1String(glyph))), {18, 18});
    ui::setHint(button, QLatin1String(hint));
    return button;
}

QLabel* makeBitmap(QWidget* parent, const QString& name, const QRect& geometry,
                   const char* bitmap) {
    auto* image = new QLabel(parent);
    image->setObjectName(name);
    image->setGeometry(geometry);
    image->setScaledContents(true);
    image->setPixmap(QPixmap(QStringLiteral(":/album/%1.xpm").arg(QLatin1String(bitmap))));
    return image;
}

// A bevel-less panel carrying one stretched bitmap.
QFrame* makeBitmapPanel(QWidget* parent, const char* panel, const char* image,
                        const QRect& geometry, const char* bitmap) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(panel));
    frame->setGeometry(geometry);
    makeBitmap(frame, QLatin1String(image), QRect(QPoint(0, 0), geometry.size()), bitmap);
    return frame;
}

// The film is black; the highlight's bevels need edges that show on it.
QPalette slotPalette() {
    QPalette palette(Qt::black);
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Light, QColor(240, 240, 240));
    palette.setColor(QPalette::Midlight, QColor(200, 200, 200));
    palette.setColor(QPalette::Mid, QColor(160, 160, 160));
    palette.setColor(QPalette::Dark, QColor(128, 128, 128));
    return palette;
}

} // namespace

TAlbum::TAlbum(app::MainState& state, const app::Windows& windows, ui::Modal& modal,
               ui::FileDialogs& fileDialogs)
    : QWidget(nullptr, ui::kFixedToolWindow), state_(state), windows_(windows), modal_(modal),
      fileDialogs_(fileDialogs) {
    setObjectName(QStringLiteral("Album"));
    setWindowTitle(QStringLiteral("Album"));
    setFont(ui::windowFont());
    setFixedSize(kClientWidth, kClientHeight);
    buildControls();
    FormCreate();
}

void TAlbum::buildControls() {
    B_Save = viewerButton(this, "B_Save", 5, "save", "Save frame as...");
    B_Zoom = viewerButton(this, "B_Zoom", 32, "zoom", "Zoom In");
    BitBtn1 = viewerButton(this, "BitBtn1", 59, "format", "File save Format Settings");

    Panel5 = new QFrame(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setGeometry(5, 27, 110, 2);
    Panel5->setFrameShape(QFrame::Panel);
    Panel5->setFrameShadow(QFrame::Raised);

    PanelLeft = makeBitmapPanel(this, "PanelLeft", "ImageLeft", {0, 30, 10, 192}, "perforation");
    PanelRight =
        makeBitmapPanel(this, "PanelRight", "ImageRight", {90, 30, 10, 192}, "perforation");
    PanelEnd = makeBitmapPanel(this, "PanelEnd", "ImageEnd", {0, 222, 100, 25}, "filmend");

    for (int s = 1; s <= kSlots; ++s) {
        const int top = 30 + 64 * (s - 1);
        ImageSP[s] =
            makeBitmap(this, QStringLiteral("ImageSP%1").arg(s), {10, top, 80, 4}, "separator");
        PanelAlbum[s] = new QFrame(this);
        PanelAlbum[s]->setObjectName(QStringLiteral("PanelAlbum%1").arg(s));
        PanelAlbum[s]->setGeometry(10, top + 4, kThumbnail.width(), kThumbnail.height());
        PanelAlbum[s]->setFocusPolicy(Qt::TabFocus);
        PanelAlbum[s]->setAutoFillBackground(true);
        PanelAlbum[s]->setPalette(slotPalette());
        ImageFrame[s] = new ui::ClickImage(PanelAlbum[s]);
        ImageFrame[s]->setObjectName(QStringLiteral("ImageFrame%1").arg(s));
        ImageFrame[s]->setScaledContents(true);
        ImageFrame[s]->setGeometry(0, 0, kThumbnail.width(), kThumbnail.height());
    }
    connect(ImageFrame[1], &ui::ClickImage::clicked, this, &TAlbum::ImageFrame1Click);
    connect(ImageFrame[2], &ui::ClickImage::clicked, this, &TAlbum::ImageFrame2Click);
    connect(ImageFrame[3], &ui::ClickImage::clicked, this, &TAlbum::ImageFrame3Click);

    ScrollBar = new ui::ScrollBar(Qt::Vertical, this);
    ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    ScrollBar->setGeometry(102, 30, 18, 195);
    ScrollBar->setRange(kFirstScrollPosition, kFirstScrollPosition);
    ScrollBar->setValue(kFirstScrollPosition);
    ScrollBar->setSingleStep(1);
    ScrollBar->setPageStep(3);
    connect(ScrollBar, &QScrollBar::actionTriggered, this, &TAlbum::scrollAction);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setGeometry(0, kClientHeight - 19, kClientWidth, 19);

    connect(B_Zoom, &QToolButton::clicked, this, &TAlbum::B_ZoomClick);
    connect(B_Save, &QToolButton::clicked, this, &TAlbum::B_SaveClick);
    connect(BitBtn1, &QToolButton::clicked, this, &TAlbum::BitBtn1Click);
}

void TAlbum::FormCreate() {
    highlight(1);
    strip.SelectedFrame = 0;
    strip.SlotFrame[1] = 0;
    strip.SelectedSlot = 1;
    writeStatus(resources::kAlbumFramesBuffer);
}

void TAlbum::loadSlots(std::initializer_list<std::pair<int, int>> loads) {
    struct Loaded {
        QImage picture;
        QPixmap thumbnail;
        QByteArray bytes;
    };
    std::array<Loaded, kSlots + 1> loaded;
    for (const auto& [s, frame] : loads) {
        if (frame < 0 || frame >= app::kFramePaths)
            throw ui::ToolkitError(QStringLiteral("There is no frame %1.").arg(frame));
        if (!state_.FrameFault[frame].isEmpty())
            throw ui::ToolkitError(QStringLiteral("Frame %1 was not captured: %2.")
                                       .arg(frame)
                                       .arg(state_.FrameFault[frame]));
        const QString& path = state_.FramePath[frame];
        QByteArray bytes = readPictureFile(path);
        // A scroll step or a capture moves frames already on show to the next slot; a file
        // whose bytes are the ones shown need not be decoded and scaled again.
        int shown = 0;
        for (int i = 1; i <= kSlots; ++i)
            if (!SlotPicture[i].isNull() && slotBytes_[i] == bytes)
                shown = i;
        if (shown) {
            loaded[s] = {SlotPicture[shown], ImageFrame[shown]->pixmap(), slotBytes_[shown]};
            continue;
        }
        QImage picture = decodePicture(path, bytes);
        QPixmap thumbnail = QPixmap::fromImage(
            picture.scaled(kThumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        loaded[s] = {std::move(picture), std::move(thumbnail), std::move(bytes)};
    }
    for (const auto& [s, frame] : loads) {
        ImageFrame[s]->setPixmap(loaded[s].thumbnail);
        SlotPicture[s] = std::move(loaded[s].picture);
        slotBytes_[s] = std::move(loaded[s].bytes);
        strip.SlotFrame[s] = frame;
    }
}

void TAlbum::highlight(int s) {
    for (int i = 1; i <= kSlots; ++i) {
        QFrame* panel = PanelAlbum[i];
        // Highlighted: a raised inner bevel inside a lowered outer one; plain: no bevel.
        panel->setFrameShape(i == s ? QFrame::Box : QFrame::NoFrame);
        panel->setFrameShadow(QFrame::Sunken);
        ImageFrame[i]->setGeometry(panel->contentsRect());
    }
}

bool TAlbum::isHighlighted(int s) const {
    return PanelAlbum[s]->frameShape() != QFrame::NoFrame;
}

void TAlbum::writeStatus(std::size_t suffixBuffer) {
    StatusBar->showMessage(stripStatusText(
        strip.SelectedFrame, state_.FrameCount,
        QString::fromStdString(resources::LoadText(resources::kTextFrames, suffixBuffer))));
}

QString TAlbum::statusText() const {
    return StatusBar->currentMessage();
}

QImage TAlbum::thumbnail(int s) const {
    return ImageFrame[s]->pixmap().toImage();
}

void TAlbum::slotClick(int s) {
    if (s != 1 && strip.SlotFrame[s] == 0)
        return; // an empty slot
    highlight(s);
    strip.SelectedFrame = strip.SlotFrame[s];
    strip.SelectedSlot = s;
    writeStatus(resources::kAlbumFramesBuffer);
}

void TAlbum::scrollAction() {
    // The handler decides where the bar ends up: it takes the new position only once the
    // three frames have loaded, so a failed load leaves the bar where it was.
    const int position = ScrollBar->sliderPosition();
    ScrollBar->setSliderPosition(ScrollBar->value());
    // The error stops here rather than unwinding through the scroll bar's own action code,
    // which would leave the bar half in its action; the report opens once the event is done.
    try {
        ScrollBarScroll(position);
    } catch (const ui::ToolkitError& error) {
        ui::application().reportError(error.text());
    }
}

void TAlbum::ScrollBarScroll(int p) {
    loadSlots({{1, p - 2}, {2, p - 1}, {3, p}});
    if (const int s = strip.slotShowingSelection()) {
        slotClick(s);
    } else {
        highlight(0);
        strip.SelectedSlot = 0;
    }
    ScrollBar->setValue(p);
}

void TAlbum::B_ZoomClick() {
    if (strip.SelectedSlot < 1 || strip.SelectedSlot > kSlots) {
        windows_.FNotice->showBelow(*this, modal_);
        return;
    }
    TFrame& viewer = *windows_.Frame;
    viewer.showFrame(loadPicture(state_.FramePath[strip.SelectedFrame]),
                     QStringLiteral("Frame ") + QString::number(strip.SelectedFrame));
    if (viewer.FirstFrameShow) {
        ui::placeWindow(viewer, app::placeBesideAlbum(windows_.MainForm->frameGeometry(),
                                                      ui::outerBounds(*this, *windows_.MainForm),
                                                      ui::outerBounds(viewer, *windows_.MainForm),
                                                      ui::primaryScreenWidth()));
        viewer.FirstFrameShow = false;
    }
    viewer.show();
    ui::bringToFront(viewer);
}

std::optional<QString> TAlbum::runSaveDialog(const QString& suffix) {
    const auto chosen = fileDialogs_.getSaveFileName(
        this, {SaveDialog.Filter, SaveDialog.FilterIndex, suffix, SaveDialog.FileName, false});
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    SaveDialog.FileName = ui::withDefaultSuffix(*chosen, suffix);
    return SaveDialog.FileName;
}

void TAlbum::B_SaveClick() {
    if (strip.SelectedSlot < 1 || strip.SelectedSlot > kSlots) {
        windows_.FNotice->showBelow(*this, modal_);
        return;
    }
    const SaveSettings& settings = windows_.FormatJpeg->settings;
    if (settings.SaveAsJpeg) {
        SaveDialog.Filter = QStringLiteral("JPEG file|*.jpg");
        // The frame is read before the dialog opens; the block goes when this scope ends.
        FrameDib dib = ReadFrameDib(state_.FramePath[strip.SelectedFrame]);
        if (const auto path = runSaveDialog(QStringLiteral("jpg"))) {
            RefuseRunFrame(*path, state_.FramePath);
            SaveDibAsJpeg(std::move(dib), *path, settings);
        }
        return;
    }
    SaveDialog.Filter = QStringLiteral("BMP file|*.bmp");
    const auto path = runSaveDialog(SaveDialog.DefaultExt);
    if (!path)
        return;
    RefuseRunFrame(*path, state_.FramePath);
    SavePictureAsBmp(SlotPicture[strip.SelectedSlot], *path);
    windows_.Frame->setWindowTitle(*path);
}

void TAlbum::BitBtn1Click() {
    modal_.exec(*windows_.FormatJpeg);
}

} // namespace album
