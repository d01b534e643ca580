#include "platform/capture/SourceDialog.h"

#include "platform/capture/PreviewPipeline.h"
#include "platform/capture/V4l2Device.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

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

// A slider over a colour-balance setting, in hundredths.
QSlider* balanceSlider(QWidget* parent, const char* name, double low, double high) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(static_cast<int>(std::lround(low * 100)),
                     static_cast<int>(std::lround(high * 100)));
    slider->setMinimumWidth(180);
    return slider;
}

} // namespace

void applyLook(PreviewPipeline& pipeline, const TestPictureLook& look) {
    if (GstElement* source = pipeline.element(PreviewPipeline::kSourceName))
        gst_util_set_object_arg(G_OBJECT(source), "pattern", look.pattern.toUtf8().constData());
    if (GstElement* balance = pipeline.element(PreviewPipeline::kBalanceName))
        g_object_set(balance, "brightness", look.brightness, "contrast", look.contrast,
                     "saturation", look.saturation, "hue", look.hue, nullptr);
}

VideoSourceDialog::VideoSourceDialog(const DriverSpec& driver, PreviewPipeline* pipeline,
                                     TestPictureLook& look, QWidget* parent)
    : QDialog(parent), driver_(driver), pipeline_(pipeline), look_(look), lookAtStart_(look) {
    setObjectName(QStringLiteral("VideoSource"));
    setWindowTitle(QStringLiteral("Video Source"));
    if (driver.node.empty())
        buildTestPicture();
    else
        buildDevice();
}

void VideoSourceDialog::buildTestPicture() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    auto* pattern = new QComboBox(this);
    pattern->setObjectName(QStringLiteral("Pattern"));
    pattern->addItems(patternNames(pipeline_));
    form->addRow(QStringLiteral("&Pattern:"), pattern);
    struct Setting {
        const char* name;
        const char* label;
        double TestPictureLook::*field;
        double low, high;
    };
    static const Setting settings[] = {
        {"Brightness", "&Brightness:", &TestPictureLook::brightness, -1, 1},
        {"Contrast", "&Contrast:", &TestPictureLook::contrast, 0, 2},
        {"Saturation", "&Saturation:", &TestPictureLook::saturation, 0, 2},
        {"Hue", "&Hue:", &TestPictureLook::hue, -1, 1},
    };
    std::vector<QSlider*> sliders;
    for (const Setting& setting : settings) {
        QSlider* slider = balanceSlider(this, setting.name, setting.low, setting.high);
        form->addRow(QLatin1String(setting.label), slider);
        sliders.push_back(slider);
    }

    refresh_ = [this, pattern, sliders] {
        const QSignalBlocker quiet(pattern);
        pattern->setCurrentText(look_.pattern);
        for (std::size_t i = 0; i < sliders.size(); ++i) {
            const QSignalBlocker quietSlider(sliders[i]);
            sliders[i]->setValue(static_cast<int>(std::lround(look_.*settings[i].field * 100)));
        }
    };
    refresh_();
    connect(pattern, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        look_.pattern = name;
        showLook();
    });
    for (std::size_t i = 0; i < sliders.size(); ++i)
        connect(sliders[i], &QSlider::valueChanged, this, [this, i](int value) {
            look_.*settings[i].field = value / 100.0;
            showLook();
        });
    defaults_.push_back([this] { look_ = TestPictureLook{}; });

    addButtons(*layout);
}

void VideoSourceDialog::buildDevice() {
    const std::string node = driver_.node;
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    std::vector<std::function<void()>> refreshers;

    const std::vector<std::string> inputs = v4l2::inputs(node);
    const int inputAtStart = v4l2::currentInput(node);
    if (inputs.size() > 1) {
        auto* input = new QComboBox(this);
        input->setObjectName(QStringLiteral("Input"));
        for (const std::string& name : inputs)
            input->addItem(QString::fromStdString(name));
        input->setCurrentIndex(inputAtStart);
        form->addRow(QStringLiteral("&Input:"), input);
        connect(input, &QComboBox::currentIndexChanged, this,
                [node](int index) { v4l2::setInput(node, index); });
        restore_.push_back([node, inputAtStart] {
            if (inputAtStart >= 0)
                v4l2::setInput(node, inputAtStart);
        });
    }

    for (const v4l2::Control& control : v4l2::controls(node)) {
        const QString label = QString::fromStdString(control.name) + QLatin1Char(':');
        const std::uint32_t id = control.id;
        const auto set = [node, id](int value) { v4l2::setControl(node, id, value); };
        restore_.push_back([set, value = control.value] { set(value); });
        defaults_.push_back([set, value = control.defaultValue] { set(value); });
        switch (control.kind) {
        case v4l2::Control::Kind::Integer: {
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setRange(control.minimum, control.maximum);
            slider->setSingleStep(control.step);
            slider->setValue(control.value);
            slider->setMinimumWidth(180);
            form->addRow(label, slider);
            connect(slider, &QSlider::valueChanged, this, set);
            refreshers.push_back([slider, node, id] {
                for (const v4l2::Control& now : v4l2::controls(node))
                    if (now.id == id) {
                        const QSignalBlocker quiet(slider);
                        slider->setValue(now.value);
                    }
            });
            break;
        }
        case v4l2::Control::Kind::Boolean: {
            auto* box = new QCheckBox(QString::fromStdString(control.name), this);
            box->setChecked(control.value != 0);
            form->addRow(QString(), box);
            connect(box, &QCheckBox::toggled, this, [set](bool on) { set(on ? 1 : 0); });
            refreshers.push_back([box, node, id] {
                for (const v4l2::Control& now : v4l2::controls(node))
                    if (now.id == id) {
                        const QSignalBlocker quiet(box);
                        box->setChecked(now.value != 0);
                    }
            });
            break;
        }
        case v4l2::Control::Kind::Menu: {
            auto* menu = new QComboBox(this);
            for (const auto& [value, name] : control.menu)
                menu->addItem(QString::fromStdString(name), value);
            menu->setCurrentIndex(menu->findData(control.value));
            form->addRow(label, menu);
            connect(menu, &QComboBox::currentIndexChanged, this,
                    [menu, set](int) { set(menu->currentData().toInt()); });
            refreshers.push_back([menu, node, id] {
                for (const v4l2::Control& now : v4l2::controls(node))
                    if (now.id == id) {
                        const QSignalBlocker quiet(menu);
                        menu->setCurrentIndex(menu->findData(now.value));
                    }
            });
            break;
        }
        }
    }
    if (restore_.empty())
        layout->addWidget(new QLabel(QStringLiteral("This device has no settings."), this));
    refresh_ = [refreshers] {
        for (const auto& refresh : refreshers)
            refresh();
    };

    addButtons(*layout);
}

void VideoSourceDialog::addButtons(QVBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    QPushButton* defaults = buttons->button(QDialogButtonBox::RestoreDefaults);
    defaults->setText(QStringLiteral("&Defaults"));
    defaults->setObjectName(QStringLiteral("Defaults"));
    layout.addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(defaults, &QPushButton::clicked, this, [this] {
        for (const auto& reset : defaults_)
            reset();
        refresh_();
        showLook();
    });
}

void VideoSourceDialog::showLook() {
    if (pipeline_ && driver_.node.empty())
        applyLook(*pipeline_, look_);
}

void VideoSourceDialog::reject() {
    if (driver_.node.empty()) {
        look_ = lookAtStart_;
        showLook();
    } else {
        for (const auto& restore : restore_)
            restore();
    }
    QDialog::reject();
}

} // namespace platform
