// Every real camera of tests/camera/profiles (copied from public dumps of the devices) through
// the real v4l2src and the program: listed by its card, its whole picture in the window, the
// format and source dialogs offering what the camera offers, another format streamed, a
// capture of its picture.

#include "CameraSteps.h"
#include "CameraSupport.h"

#include "app/Main.h"
#include "capture/FitWindow.h"
#include "platform/capture/CaptureMode.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/dialogs/FormatDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <linux/videodev2.h>

#include <algorithm>
#include <map>

namespace {

QString profilesDir() {
    return QStringLiteral(NIMBACAST_SOURCE_DIR "/tests/camera/profiles");
}

QStringList profileFiles() {
    QStringList files = QDir(profilesDir()).entryList({"*.json"}, QDir::Files, QDir::Name);
    for (QString& file : files)
        file.chop(5);
    return files;
}

QJsonObject readProfile(const QString& name) {
    QFile file(profilesDir() + "/" + name + ".json");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The kernel's descriptions of the formats, where a profile gives none.
QString descriptionOf(const QJsonObject& format) {
    if (format.contains("description"))
        return format.value("description").toString();
    static const std::map<QString, QString> kernel = {
        {"YUYV", "YUYV 4:2:2"},       {"MJPG", "Motion-JPEG"},      {"H264", "H.264"},
        {"NV12", "Y/UV 4:2:0"},       {"NV21", "Y/VU 4:2:0"},       {"YU12", "Planar YUV 4:2:0"},
        {"YV12", "Planar YVU 4:2:0"}, {"UYVY", "UYVY 4:2:2"},       {"YVYU", "YVYU 4:2:2"},
        {"GREY", "8-bit Greyscale"},  {"RGB3", "24-bit RGB 8-8-8"}, {"BGR3", "24-bit BGR 8-8-8"}};
    const auto found = kernel.find(format.value("fourcc").toString());
    return found != kernel.end() ? found->second : QString();
}

// A control id as a profile writes it: "0x00980900" or a number.
std::uint32_t idOf(const QJsonValue& value) {
    return value.isString() ? value.toString().toUInt(nullptr, 0)
                            : static_cast<std::uint32_t>(value.toDouble());
}

QString rateItem(platform::FrameRate rate) {
    return QStringLiteral("%1 frames per second")
        .arg(QString::fromStdString(platform::rateText(rate)));
}

platform::FrameRate rateOf(const QJsonValue& value) {
    if (value.isDouble())
        return platform::FrameRate::whole(value.toInt());
    const QStringList parts = value.toString().split('/');
    if (parts.size() != 2)
        return {};
    return platform::FrameRate::of(parts[1].toLongLong(), parts[0].toLongLong());
}

// One capture node of a profile, and what it offers as the profile gives it.
struct Node {
    QJsonObject json;
    QString node, card;
    int number = 0;
    struct Size {
        QSize size;
        QJsonValue rates; // a list, or a range object
    };
    struct Format {
        QString fourcc, description;
        std::vector<Size> sizes; // empty for a range of sizes
        QJsonObject stepwise;
    };
    std::vector<Format> formats;

    bool greyOnly() const {
        return std::all_of(formats.begin(), formats.end(),
                           [](const Format& f) { return f.fourcc == "GREY"; });
    }
    bool refusesOpen() const { return json.contains("openError"); }
    const Format* format(const QString& fourcc) const {
        for (const Format& f : formats)
            if (f.fourcc == fourcc)
                return &f;
        return nullptr;
    }
    // The format it starts in before anything is asked: `current`, or the first one's first.
    QString currentFourcc() const {
        return json.value("current").toObject().value("fourcc").toString(formats.front().fourcc);
    }
    QSize currentSize() const {
        const QJsonObject current = json.value("current").toObject();
        if (current.contains("width"))
            return {current.value("width").toInt(), current.value("height").toInt()};
        return formats.front().sizes.empty() ? QSize() : formats.front().sizes.front().size;
    }
    // What a request for this fourcc gives.
    QString answered(const QString& fourcc) const {
        return json.value("answers").toObject().value(fourcc).toString(fourcc);
    }
};

std::vector<Node> nodesOf(const QJsonObject& profile) {
    std::vector<Node> nodes;
    for (const QJsonValue& value : profile.value("cameras").toArray()) {
        Node n;
        n.json = value.toObject();
        n.node = n.json.value("node").toString();
        n.number = n.node.mid(5).toInt();
        // The kernel's card field holds 31 bytes.
        n.card = QString::fromUtf8(n.json.value("card").toString("USB Camera").toUtf8().left(31));
        for (const QJsonValue& f : n.json.value("formats").toArray()) {
            const QJsonObject format = f.toObject();
            Node::Format out{format.value("fourcc").toString(), descriptionOf(format), {}, {}};
            if (format.value("sizes").isObject()) {
                out.stepwise = format.value("sizes").toObject();
            } else {
                for (const QJsonValue& s : format.value("sizes").toArray()) {
                    const QJsonArray size = s.toArray();
                    out.sizes.push_back({{size[0].toInt(), size[1].toInt()}, size[2]});
                }
            }
            n.formats.push_back(out);
        }
        nodes.push_back(n);
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const Node& a, const Node& b) { return a.number < b.number; });
    return nodes;
}

QString sizeText(QSize s) {
    return QStringLiteral("%1 x %2").arg(s.width()).arg(s.height());
}

// The sizes the dialog offers in a format: ascending, each once; a range by its ends.
QStringList expectedSizes(const Node::Format& format) {
    std::vector<QSize> sizes;
    for (const Node::Size& s : format.sizes)
        sizes.push_back(s.size);
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) {
        return a.width() != b.width() ? a.width() < b.width() : a.height() < b.height();
    });
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    QStringList texts;
    for (QSize s : sizes)
        texts << sizeText(s);
    return texts;
}

// The rates the dialog offers at a size: "Default", then ascending with their decimals; for a
// range of intervals, its ends first and last.
void checkRates(const QStringList& shown, const Node::Format& format, const QString& size) {
    for (const Node::Size& s : format.sizes) {
        if (sizeText(s.size) != size)
            continue;
        if (s.rates.isObject()) {
            const QJsonObject range = s.rates.toObject();
            ASSERT_GE(shown.size(), 3);
            EXPECT_EQ(shown[1], rateItem(rateOf(range.value("max"))));
            EXPECT_EQ(shown.back(), rateItem(rateOf(range.value("min"))));
            return;
        }
        std::vector<platform::FrameRate> rates;
        for (const QJsonValue& r : s.rates.toArray())
            rates.push_back(rateOf(r));
        std::sort(rates.begin(), rates.end());
        rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
        QStringList texts{"Default"};
        for (const platform::FrameRate& rate : rates)
            texts << rateItem(rate);
        EXPECT_EQ(shown, texts);
        return;
    }
    ADD_FAILURE() << "the dialog shows " << size.toStdString() << ", which the camera lacks";
}

// Whether the camera offers a picture width the window is made for, in a format it would
// start in by itself (H.264 only when it has nothing else).
bool offersAFittedWidth(const Node& n) {
    const platform::FittedWidths fitted = capture::frameTableWidths();
    const bool onlyH264 = std::all_of(n.formats.begin(), n.formats.end(),
                                      [](const Node::Format& f) { return f.fourcc == "H264"; });
    for (const Node::Format& f : n.formats) {
        if (f.fourcc == "H264" && !onlyH264)
            continue;
        for (const Node::Size& s : f.sizes)
            if (std::find(fitted.begin(), fitted.end(), s.size.width()) != fitted.end())
                return true;
        if (!f.stepwise.isEmpty())
            return true; // a range reaches the common sizes
    }
    return false;
}

// The four bands, in colour or, for a grey camera, as their luma.
int pictureDifference(const QImage& image, bool grey) {
    if (!grey || image.isNull())
        return test::bandDifference(image);
    static const QRgb bands[] = {qRgb(200, 50, 50), qRgb(50, 200, 50), qRgb(50, 50, 200),
                                 qRgb(200, 200, 50)};
    int worst = 0;
    for (int i = 0; i < 4; ++i) {
        const QRgb seen = image.pixel(image.width() * (2 * i + 1) / 8, image.height() * 2 / 3);
        const int luma =
            qRound(0.299 * qRed(bands[i]) + 0.587 * qGreen(bands[i]) + 0.114 * qBlue(bands[i]));
        worst = std::max({worst, std::abs(qRed(seen) - luma), std::abs(qGreen(seen) - luma),
                          std::abs(qBlue(seen) - luma)});
    }
    return worst;
}

// The camera's controls as the source dialog must show them, at their defaults.
void checkControls(QDialog& dialog, const Node& n) {
    const QJsonValue controls = n.json.value("controls");
    if (!controls.isArray())
        return;
    std::map<std::uint32_t, int> defaults;
    for (const QJsonValue& c : controls.toArray())
        defaults[idOf(c.toObject().value("id"))] = c.toObject().value("default").toInt();
    for (const QJsonValue& c : controls.toArray()) {
        const QJsonObject control = c.toObject();
        const QString name = control.value("name").toString();
        const QString type = control.value("type").toString();
        SCOPED_TRACE(name.toStdString());
        const QStringList flags = control.value("flags").toVariant().toStringList();
        if (flags.contains("disabled"))
            continue;
        bool inactive = flags.contains("inactive") || flags.contains("read-only");
        const QJsonObject when = control.value("inactiveWhen").toObject();
        if (!when.isEmpty()) {
            const int other = defaults[idOf(when.value("id"))];
            for (const QJsonValue& v : when.value("values").toArray())
                inactive = inactive || v.toInt() == other;
        }
        QWidget* widget = nullptr;
        if (type == "int") {
            auto* slider = dialog.findChild<QSlider*>(name);
            ASSERT_TRUE(slider) << "no slider";
            EXPECT_EQ(slider->minimum(), control.value("min").toInt());
            EXPECT_EQ(slider->maximum(), control.value("max").toInt());
            EXPECT_EQ(slider->singleStep(), control.value("step").toInt(1));
            EXPECT_EQ(slider->value(), control.value("default").toInt());
            widget = slider;
        } else if (type == "bool") {
            auto* box = dialog.findChild<QCheckBox*>(name);
            ASSERT_TRUE(box) << "no check box";
            EXPECT_EQ(box->isChecked(), control.value("default").toInt() != 0);
            widget = box;
        } else if (type == "menu") {
            auto* box = dialog.findChild<QComboBox*>(name);
            ASSERT_TRUE(box) << "no list";
            QStringList entries;
            const QJsonObject menu = control.value("menu").toObject();
            for (int v = control.value("min").toInt(); v <= control.value("max").toInt(); ++v)
                if (menu.contains(QString::number(v)))
                    entries << menu.value(QString::number(v)).toString();
            EXPECT_EQ(test::items(*box), entries);
            widget = box;
        } else if (type == "button") {
            widget = dialog.findChild<QPushButton*>(name);
            ASSERT_TRUE(widget) << "no button";
        }
        if (widget && type != "button") {
            EXPECT_EQ(widget->isEnabled(), !inactive) << "inactive: " << inactive;
        }
    }
}

class Profiles : public ::testing::TestWithParam<QString> {};

TEST_P(Profiles, EveryCaptureNodeShowsItsWholePictureAndWhatItOffers) {
    REQUIRE_EMULATED_CAMERAS();
    const QJsonObject profile = readProfile(GetParam());
    ASSERT_FALSE(profile.isEmpty()) << "cannot read the profile";
    ASSERT_FALSE(profile.value("sources").toArray().isEmpty()) << "a profile names its source";
    const std::vector<Node> nodes = nodesOf(profile);
    ASSERT_FALSE(nodes.empty());

    test::CameraRun camera(
        QJsonDocument(profile.value("cameras").toArray()).toJson().toStdString());
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();

    // Listed in device order by their cards, the test pattern after them.
    for (std::size_t i = 0; i < nodes.size(); ++i)
        EXPECT_EQ(QString::fromStdString(s.DriverName[i]), nodes[i].card) << i;
    EXPECT_EQ(s.DriverName[nodes.size()], "Test Pattern");

    // Start-up takes the first camera that opens and is not an infrared one.
    int expected = -1;
    for (std::size_t i = 0; i < nodes.size() && expected < 0; ++i)
        if (!nodes[i].greyOnly() && !nodes[i].refusesOpen())
            expected = static_cast<int>(i);
    for (std::size_t i = 0; i < nodes.size() && expected < 0; ++i)
        if (!nodes[i].refusesOpen())
            expected = static_cast<int>(i);
    EXPECT_EQ(s.DriverIndex, expected < 0 ? static_cast<int>(nodes.size()) : expected);

    int captures = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        SCOPED_TRACE(n.node.toStdString());
        if (s.DriverIndex != static_cast<int>(i))
            test::selectSource(camera.run, static_cast<int>(i), 30);
        if (n.refusesOpen()) {
            EXPECT_EQ(s.Connected, 0);
            EXPECT_TRUE(form.statusText().startsWith("Cannot open " + n.card + " ("))
                << form.statusText().toStdString();
            continue;
        }
        ASSERT_EQ(s.Connected, 1);
        ASSERT_EQ(s.DriverIndex, static_cast<int>(i));
        const bool grey = n.greyOnly();
        // Not in H.264 by itself while it has another format.
        const bool onlyH264 = std::all_of(n.formats.begin(), n.formats.end(),
                                          [](const Node::Format& f) { return f.fourcc == "H264"; });
        if (!onlyH264) {
            EXPECT_NE(s.CapWnd->mode().fourcc, v4l2_fourcc('H', '2', '6', '4'));
        }

        // The whole picture inside the window when the camera offers a size it is made for;
        // otherwise the camera's own size, centred over the frame.
        const QRect picture = s.CapWnd->geometry();
        if (offersAFittedWidth(n)) {
            const platform::FittedWidths fitted = capture::frameTableWidths();
            EXPECT_NE(std::find(fitted.begin(), fitted.end(), picture.width()), fitted.end())
                << picture.width() << " x " << picture.height();
            EXPECT_TRUE(QRect(QPoint(0, 0), form.size()).contains(picture));
        } else {
            EXPECT_EQ(picture.size(), n.currentSize());
        }
        const QImage shown = test::nextGrab(s);
        ASSERT_FALSE(shown.isNull()) << "no picture";
        EXPECT_EQ(shown.size(), picture.size());
        EXPECT_LE(pictureDifference(shown, grey), 16);
        // And the preview paints it where the capture window lies.
        EXPECT_LE(pictureDifference(s.CapWnd->grab().toImage(), grey), 16);

        // Video Format: the camera's formats in its order, each one's sizes and the rates at
        // the size chosen; then another format and size, which streams.
        QString asked;
        QSize askedSize;
        camera.run.driverDialogs = [&](QDialog& dialog) {
            auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
            QStringList descriptions;
            for (const Node::Format& f : n.formats)
                descriptions << f.description;
            if (n.formats.size() > 1) {
                EXPECT_TRUE(format.Format);
                if (!format.Format)
                    return int(QDialog::Rejected);
                EXPECT_EQ(test::items(*format.Format), descriptions);
            }
            for (std::size_t f = 0; f < n.formats.size(); ++f) {
                const Node::Format& offered = n.formats[f];
                SCOPED_TRACE(offered.fourcc.toStdString());
                if (format.Format)
                    format.Format->setCurrentIndex(static_cast<int>(f));
                const QStringList sizes = test::items(*format.Sizes);
                if (offered.stepwise.isEmpty()) {
                    EXPECT_EQ(sizes, expectedSizes(offered));
                    const QString at = format.Sizes->currentItem()->text();
                    SCOPED_TRACE(at.toStdString());
                    checkRates(test::items(*format.Rate), offered, at);
                } else {
                    const QJsonArray range = offered.stepwise.value("stepwise").toArray();
                    if (sizes.isEmpty()) {
                        ADD_FAILURE() << "no sizes";
                        continue;
                    }
                    EXPECT_EQ(sizes.front(), sizeText({range[0].toInt(), range[1].toInt()}));
                    EXPECT_EQ(sizes.back(), sizeText({range[2].toInt(), range[3].toInt()}));
                }
            }
            // The last format (H.264 costs the most: not at its largest), at its smallest
            // size other than the one on show.
            const std::size_t last = n.formats.size() - 1;
            if (format.Format)
                format.Format->setCurrentIndex(static_cast<int>(last));
            int row = 0;
            if (format.Sizes->count() > 1 &&
                format.Sizes->item(0)->text() == sizeText(picture.size()))
                row = 1;
            format.Sizes->setCurrentRow(row);
            askedSize = format.Sizes->currentItem()->data(Qt::UserRole).toSize();
            asked = n.formats[last].fourcc;
            return int(QDialog::Accepted);
        };
        camera.cameras.clearLog();
        const platform::CaptureMode before = s.CapWnd->mode();
        QTest::mouseClick(form.B_Format, Qt::LeftButton);
        const QString set = QStringLiteral("S_FMT %1 %2x%3")
                                .arg(n.answered(asked))
                                .arg(askedSize.width())
                                .arg(askedSize.height());
        // A camera of one format at one size has nothing else to switch to.
        const bool another =
            before.size != platform::PictureSize{askedSize.width(), askedSize.height()} ||
            n.formats.size() > 1;
        if (another) {
            EXPECT_TRUE(
                test::waitUntil([&] { return camera.cameras.log(n.node).contains(set); }, 8000))
                << set.toStdString() << "\n"
                << camera.cameras.log(n.node).join('\n').toStdString();
        }
        const QImage chosen = test::nextGrab(s);
        EXPECT_EQ(chosen.size(), askedSize);
        EXPECT_LE(pictureDifference(chosen, grey || asked == "GREY"), 16);

        // Video Source: the camera's own controls, their ranges and inactive states.
        camera.run.driverDialogs = [&](QDialog& dialog) {
            checkControls(dialog, n);
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(form.B_Source, Qt::LeftButton);

        // A capture is the camera's picture.
        QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
        const QImage frame(s.FramePath[captures++]);
        EXPECT_EQ(frame.size(), askedSize);
        EXPECT_LE(pictureDifference(frame, grey || asked == "GREY"), 16);
    }
    form.close();
    EXPECT_TRUE(
        camera.run.messages.errors.empty() ||
        std::any_of(nodes.begin(), nodes.end(), [](const Node& n) { return n.refusesOpen(); }))
        << camera.run.messages.errors.front().text.toStdString();
}

// The library covers the kinds of cameras people own.
TEST(ProfileLibrary, HoldsAtLeastTenRealCameras) {
    EXPECT_GE(profileFiles().size(), 10);
}

std::vector<QString> profileNames() {
    const QStringList files = profileFiles();
    return {files.begin(), files.end()};
}

INSTANTIATE_TEST_SUITE_P(Real, Profiles, ::testing::ValuesIn(profileNames()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             QString name = info.param;
                             name.replace(QRegularExpression("[^A-Za-z0-9]"), "_");
                             return name.toStdString();
                         });

} // namespace
