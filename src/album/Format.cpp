#include "album/Format.h"

#include "ui/Hints.h"
#include "ui/WindowStyle.h"

#include <QShowEvent>

namespace album {

TFormatJpeg::TFormatJpeg() : QDialog(nullptr, ui::kFixedDialog) {
    setObjectName(QStringLiteral("FormatJpeg"));
    setWindowTitle(QStringLiteral("File format settings"));
    setFont(ui::dialogFont());

    Kind = new QGroupBox(QStringLiteral("File Format Select"), this);
    Kind->setObjectName(QStringLiteral("Kind"));
    Kind->setGeometry(7, 4, 157, 57);
    KindBmp = new QRadioButton(QStringLiteral("BMP file"), Kind);
    KindBmp->setObjectName(QStringLiteral("KindBmp"));
    KindBmp->setGeometry(8, 16, 140, 17);
    KindJpeg = new QRadioButton(QStringLiteral("JPEG file"), Kind);
    KindJpeg->setObjectName(QStringLiteral("KindJpeg"));
    KindJpeg->setGeometry(8, 34, 140, 17);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(178, 27, 55, 25);

    GroupBox2 = new QGroupBox(QStringLiteral("Format Options"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(7, 72, 230, 64);
    Label1 = new QLabel(QStringLiteral("Sampling Factor"), GroupBox2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->adjustSize();
    Label1->move(10, 27);
    Factor = new QComboBox(GroupBox2);
    Factor->setObjectName(QStringLiteral("Factor"));
    Factor->setGeometry(95, 24, 126, 21);
    Factor->addItems(
        {QStringLiteral("YUV(4:1:1)"), QStringLiteral("YUV(4:2:2)"), QStringLiteral("YUV(4:4:4)")});
    ui::setHint(Factor, QStringLiteral("The YUV Model Ratio Select"));

    GroupBox1 = new QGroupBox(QStringLiteral("Compression Ratio Switch"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(7, 144, 232, 80);
    Label2 = new QLabel(QStringLiteral("High Quanlity"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->adjustSize();
    Label2->move(12, 26);
    Label3 = new QLabel(QStringLiteral("High Compression"), GroupBox1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->adjustSize();
    Label3->move(99, 26);
    QuanlityTrack = new QSlider(Qt::Horizontal, GroupBox1);
    QuanlityTrack->setObjectName(QStringLiteral("QuanlityTrack"));
    QuanlityTrack->setGeometry(11, 47, 180, 17);
    QuanlityTrack->setRange(2, 100);
    QuanlityTrack->setTickInterval(1);
    QuanlityTrack->setTickPosition(QSlider::TicksBelow);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(191, 34, 31, 21);
    Edit1->setReadOnly(true);

    connect(KindBmp, &QRadioButton::clicked, this, &TFormatJpeg::KindClick);
    connect(KindJpeg, &QRadioButton::clicked, this, &TFormatJpeg::KindClick);
    connect(QuanlityTrack, &QSlider::valueChanged, this, &TFormatJpeg::QuanlityTrackChange);
    connect(Button1, &QPushButton::clicked, this, &TFormatJpeg::Button1Click);
    FormCreate();
}

void TFormatJpeg::FormCreate() {
    FormActivate();
}

void TFormatJpeg::setKindItem(int item) {
    (item == 1 ? KindJpeg : KindBmp)->setChecked(true);
    KindClick();
}

void TFormatJpeg::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormActivate();
    QDialog::showEvent(event);
}

void TFormatJpeg::FormActivate() {
    setKindItem(settings.SaveAsJpeg ? 1 : 0);
    Factor->setCurrentIndex(settings.JpegSampling);
    QuanlityTrack->setValue(settings.JpegQuality);
    Edit1->setText(QString::number(settings.JpegQuality));
}

void TFormatJpeg::KindClick() {
    setFixedSize(kClientWidth, kindItem() == 1 ? kJpegHeight : kBmpHeight);
}

void TFormatJpeg::QuanlityTrackChange() {
    Edit1->setText(QString::number(QuanlityTrack->value()));
}

void TFormatJpeg::Button1Click() {
    settings.SaveAsJpeg = kindItem() != 0;
    settings.JpegSampling = Factor->currentIndex();
    settings.JpegQuality = QuanlityTrack->value();
    accept();
}

} // namespace album
