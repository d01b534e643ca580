#include "capture/Config.h"

#include "app/MainState.h"
#include "resources/TextTable.h"
#include "ui/WindowStyle.h"

#include <QShowEvent>
#include <QStyledItemDelegate>

namespace capture {

namespace {

constexpr int kMinimumFps = 15;
constexpr int kMaximumFps = 30;
constexpr int kDriverItemHeight = 14;

// Draws the list's items at one fixed height, whatever the style would give them.
class FixedItemHeight : public QStyledItemDelegate {
public:
    FixedItemHeight(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

QFont timesFont(int points, bool italic = false, bool underline = false) {
    QFont font = ui::serifFont();
    font.setPointSize(points);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

} // namespace

TFConfig::TFConfig(const app::MainState& state)
    : QDialog(nullptr, ui::kFixedDialog), state_(state) {
    setObjectName(QStringLiteral("FConfig"));
    setFont(ui::windowFont());
    setFixedSize(kClientWidth, kClientHeight);
    buildControls();
    FormCreate();
}

void TFConfig::buildControls() {
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(timesFont(12));
    Label1->setGeometry(8, 6, 233, 20);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(8, 28, 233, 22);
    ComboBox1->setEditable(false);
    ComboBox1->setItemDelegate(new FixedItemHeight(kDriverItemHeight, ComboBox1));

    Label3 = new QLabel(QStringLiteral("1.32"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(timesFont(10, true, true));
    Label3->setGeometry(8, 54, 233, 16);
    // The driver's version text, as the driver (or a drivers file) gives it.
    Label3->setTextFormat(Qt::PlainText);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 74, 233, 82);

    Label4 = new QLabel(GroupBox1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(timesFont(12));
    Label4->setGeometry(8, 26, 135, 20);

    TrackBar = new QSlider(Qt::Horizontal, GroupBox1);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setGeometry(145, 22, 80, 28);
    TrackBar->setRange(kMinimumFps, kMaximumFps);
    TrackBar->setValue(kMaximumFps);
    TrackBar->setSingleStep(1);
    TrackBar->setPageStep(1);
    TrackBar->setTickInterval(1);
    TrackBar->setTickPosition(QSlider::TicksBelow);

    Label5 = new QLabel(GroupBox1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(145, 52, 40, 16);
    Label2 = new QLabel(GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(185, 52, 40, 16);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Button2 = new QPushButton(this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(86, 164, 75, 25);
    Button2->setDefault(true);
    Button3 = new QPushButton(this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(166, 164, 75, 25);

    // The list, the group's track bar, OK, Cancel: the order Tab walks.
    setTabOrder(ComboBox1, TrackBar);
    setTabOrder(TrackBar, Button2);
    setTabOrder(Button2, Button3);

    connect(ComboBox1, &QComboBox::activated, this, &TFConfig::ComboBox1Change);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
}

void TFConfig::FormCreate() {
    using namespace resources;
    setWindowTitle(caption(kTextSelectSource));
    Label1->setText(caption(kTextSelectDriver));
    GroupBox1->setTitle(caption(kTextDriverSetting));
    Label4->setText(caption(kTextPreviewRate));
    Button2->setText(caption(kTextOk));
    Button3->setText(caption(kTextCancel));
    Label2->setText(caption(kTextHigh));
    Label5->setText(caption(kTextLow));
}

void TFConfig::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFConfig::FormShow() {
    if (DriverListPending == 1) {
        for (int i = 0; i < state_.DriverCount; ++i)
            ComboBox1->addItem(QString::fromStdString(state_.DriverName[i]));
    }
    DriverListPending = 0;
    showVersion(state_.DriverIndex);
    // A position that is not in the list leaves no item selected.
    ComboBox1->setCurrentIndex(state_.DriverIndex < ComboBox1->count() ? state_.DriverIndex : -1);
    TrackBar->setValue(state_.PreviewFps); // the track bar holds it within 15..30
}

void TFConfig::ComboBox1Change() {
    showVersion(ComboBox1->currentIndex());
}

void TFConfig::showVersion(int position) {
    Label3->setText(position >= 0 && position < app::kDriverEntries
                        ? QString::fromStdString(state_.DriverVersion[position])
                        : QString());
}

} // namespace capture
