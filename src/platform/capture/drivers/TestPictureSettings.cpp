#include "platform/capture/drivers/TestPictureSettings.h"

#include "platform/capture/pipeline/PreviewPipeline.h"

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QSlider>

#include <cmath>
#include <vector>

namespace platform {

namespace {

// The test picture's pattern names, in the order the source element lists them.
QStringList patternNames(PreviewPipeline* pipeline) {
    QStringList names;
    GstElement* source = pipeline ? pipeline->element(PreviewPipeline::kSourceName) : nullptr;
    if (!source)
        return {QStringLiteral("smpte")};
    GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(source), "pattern");
    if (!spec || !G_IS_PARAM_SPEC_ENUM(spec))
        return {QStringLiteral("smpte")};
    const GEnumClass* patterns = G_PARAM_SPEC_ENUM(spec)->enum_class;
    for (guint i = 0; i < patterns->n_values; ++i)
        names << QString::fromUtf8(patterns->values[i].value_nick);
    return names;
}

struct Setting {
    const char* name;
    const char* label;
    double TestPictureLook::*field;
    double low, high;
};
constexpr Setting kSettings[] = {
    {"Brightness", "&Brightness:", &TestPictureLook::brightness, -1, 1},
    {"Contrast", "&Contrast:", &TestPictureLook::contrast, 0, 2},
    {"Saturation", "&Saturation:", &TestPictureLook::saturation, 0, 2},
    {"Hue", "&Hue:", &TestPictureLook::hue, -1, 1},
};

// The dialog's controls over the look; the sliders count in hundredths.
class LookPanel : public SourcePanel {
public:
    LookPanel(QDialog& dialog, QFormLayout& form, PreviewPipeline* pipeline, TestPictureLook& look)
        : pipeline_(pipeline), look_(look), atStart_(look) {
        pattern_ = new QComboBox(&dialog);
        pattern_->setObjectName(QStringLiteral("Pattern"));
        pattern_->addItems(patternNames(pipeline));
        form.addRow(QStringLiteral("&Pattern:"), pattern_);
        for (const Setting& setting : kSettings) {
            auto* slider = new QSlider(Qt::Horizontal, &dialog);
            slider->setObjectName(QLatin1String(setting.name));
            slider->setRange(static_cast<int>(std::lround(setting.low * 100)),
                             static_cast<int>(std::lround(setting.high * 100)));
            slider->setMinimumWidth(180);
            form.addRow(QLatin1String(setting.label), slider);
            sliders_.push_back(slider);
        }
        refresh();
        QObject::connect(pattern_, &QComboBox::currentTextChanged, &dialog,
                         [this](const QString& name) {
                             look_.pattern = name;
                             show();
                         });
        for (std::size_t i = 0; i < sliders_.size(); ++i)
            QObject::connect(sliders_[i], &QSlider::valueChanged, &dialog, [this, i](int value) {
                look_.*kSettings[i].field = value / 100.0;
                show();
            });
    }

    void restore() override {
        look_ = atStart_;
        show();
    }
    void reset() override {
        look_ = TestPictureLook{};
        refresh();
        show();
    }

private:
    void refresh() {
        const QSignalBlocker quiet(pattern_);
        pattern_->setCurrentText(look_.pattern);
        for (std::size_t i = 0; i < sliders_.size(); ++i) {
            const QSignalBlocker quietSlider(sliders_[i]);
            sliders_[i]->setValue(static_cast<int>(std::lround(look_.*kSettings[i].field * 100)));
        }
    }
    void show() {
        if (pipeline_)
            applyLook(*pipeline_, look_);
    }

    PreviewPipeline* pipeline_;
    TestPictureLook& look_;
    const TestPictureLook atStart_;
    QComboBox* pattern_ = nullptr;
    std::vector<QSlider*> sliders_;
};

} // namespace

void applyLook(PreviewPipeline& pipeline, const TestPictureLook& look) {
    if (GstElement* source = pipeline.element(PreviewPipeline::kSourceName))
        gst_util_set_object_arg(G_OBJECT(source), "pattern", look.pattern.toUtf8().constData());
    if (GstElement* balance = pipeline.element(PreviewPipeline::kBalanceName))
        g_object_set(balance, "brightness", look.brightness, "contrast", look.contrast,
                     "saturation", look.saturation, "hue", look.hue, nullptr);
}

std::unique_ptr<SourcePanel> TestPictureSettings::panel(QDialog& dialog, QFormLayout& form,
                                                        PreviewPipeline* pipeline) {
    return std::make_unique<LookPanel>(dialog, form, pipeline, look_);
}

TestPictureLook lookOf(const SourceSettings* settings) {
    const auto* testPicture = dynamic_cast<const TestPictureSettings*>(settings);
    return testPicture ? testPicture->look() : TestPictureLook{};
}

} // namespace platform
