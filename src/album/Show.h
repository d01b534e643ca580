#pragma once

#include "album/Strip.h"
#include "ui/ScrollBar.h"

#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <initializer_list>
#include <optional>
#include <utility>

namespace ui {
class ClickImage;

class FileDialogs;
class Modal;
} // namespace ui
namespace app {
struct MainState;
struct Windows;
} // namespace app

namespace album {

// The album: a film strip of three thumbnail slots with a scroll bar over the frames of the
// run, the selection, and the buttons that act on the selected frame.
class TAlbum : public QWidget {
    Q_OBJECT
public:
    TAlbum(app::MainState& state, const app::Windows& windows, ui::Modal& modal,
           ui::FileDialogs& fileDialogs);

    static constexpr int kClientWidth = 120;
    static constexpr int kClientHeight = 265;

    QToolButton* B_Save = nullptr;
    QToolButton* B_Zoom = nullptr;
    QToolButton* BitBtn1 = nullptr;
    QFrame* Panel5 = nullptr;
    std::array<QLabel*, kSlots + 1> ImageSP{};            // [1..3]
    std::array<QFrame*, kSlots + 1> PanelAlbum{};         // [1..3]
    std::array<ui::ClickImage*, kSlots + 1> ImageFrame{}; // [1..3]
    QFrame* PanelLeft = nullptr;
    QFrame* PanelRight = nullptr;
    QFrame* PanelEnd = nullptr;
    ui::ScrollBar* ScrollBar = nullptr;
    QStatusBar* StatusBar = nullptr;

    AlbumStrip strip;
    // The whole picture of each slot as loaded from its frame file ([1..3]).
    std::array<QImage, kSlots + 1> SlotPicture;

    // The save dialog as the window keeps it between uses.
    struct {
        QString Filter = QStringLiteral("BMP file|*.bmp");
        QString DefaultExt = QStringLiteral("bmp");
        QString FileName;
        int FilterIndex = 1;
    } SaveDialog;

    // Loads each (slot 1..3, frame) pair's frame file into its slot and records it there.
    // All pictures are read before any slot changes: a frame that cannot be shown raises
    // the toolkit error and changes nothing.
    void loadSlots(std::initializer_list<std::pair<int, int>> loads);
    void loadSlot(int s, int frame) { loadSlots({{s, frame}}); }
    // Highlights slot s (1..3) and makes the others plain; 0 makes all plain.
    void highlight(int s);
    bool isHighlighted(int s) const;
    // Writes the status line from the selection and the number of frames.
    void writeStatus(std::size_t suffixBuffer);
    QString statusText() const;

    // The thumbnail of slot s as shown.
    QImage thumbnail(int s) const;

public slots:
    void ScrollBarScroll(int position);
    void ImageFrame1Click() { slotClick(1); }
    void ImageFrame2Click() { slotClick(2); }
    void ImageFrame3Click() { slotClick(3); }
    void B_ZoomClick();
    void B_SaveClick();
    void BitBtn1Click();

private:
    void buildControls();
    void FormCreate();
    void slotClick(int s);
    void scrollAction();
    // Runs the save dialog with the current filter; the chosen path, or nothing on cancel.
    std::optional<QString> runSaveDialog(const QString& suffix);

    // The file bytes each slot's picture was decoded from ([1..3]).
    std::array<QByteArray, kSlots + 1> slotBytes_;

    app::MainState& state_;
    const app::Windows& windows_;
    ui::Modal& modal_;
    ui::FileDialogs& fileDialogs_;
};

} // namespace album
