#include "platform/capture/drivers/V4l2Settings.h"

#include "platform/capture/pipeline/PreviewPipeline.h"
#include "platform/capture/v4l2/KeptControls.h"
#include "platform/capture/v4l2/V4l2Device.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <map>
#include <vector>

namespace platform {

namespace {

// A control's name comes from the device: a label of its characters, never of markup.
QLabel* nameLabel(const QString& name, QWidget* field) {
    auto* label = new QLabel(name + QLatin1Char(':'), field->parentWidget());
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(field);
    return label;
}

// One control's widget and how it shows the device's value.
struct ControlView {
    std::uint32_t id = 0;
    QWidget* widget = nullptr;
    std::function<void(const v4l2::Control&)> show;
};

class DevicePanel : public SourcePanel {
public:
    DevicePanel(QDialog& dialog, QFormLayout& form, std::string node, SettingsKey key,
                PreviewPipeline* pipeline)
        : node_(std::move(node)), key_(std::move(key)), dialog_(dialog), pipeline_(pipeline) {
        buildInputs(form);
        const std::vector<v4l2::Control> controls = v4l2::controls(node_);
        for (const v4l2::Control& control : controls) {
            names_[control.id] = QString::fromStdString(control.name);
            addControl(form, control);
            if (!control.readOnly && control.kind != v4l2::Control::Kind::Button) {
                atStart_[control.id] = control.value;
                defaults_[control.id] = control.defaultValue;
            }
        }
        if (views_.empty() && inputAtStart_ < 0)
            form.addRow(new QLabel(QStringLiteral("This device has no settings."), &dialog));
        problem_ = new QLabel(&dialog);
        problem_->setObjectName(QStringLiteral("Problem"));
        problem_->setWordWrap(true);
        problem_->setTextFormat(Qt::PlainText);
        problem_->hide();
        form.addRow(problem_);
        refresh(controls);
        taken_ = atStart_;
        inputTaken_ = inputAtStart_;
    }

    void restore() override {
        // Cancel puts back what the device takes; what it refuses stays as the device has it.
        if (inputAtStart_ >= 0 && inputNow_ != inputAtStart_)
            (void)switchInput(inputAtStart_);
        setAll(atStart_);
    }
    void reset() override {
        setAll(defaults_);
        const std::vector<v4l2::Control> controls = v4l2::controls(node_);
        refresh(controls);
        // What is kept goes with OK; what the user sets after this is kept anew.
        forget_ = true;
        for (const v4l2::Control& control : controls)
            if (taken_.count(control.id))
                taken_[control.id] = control.value;
        inputTaken_ = inputNow_;
    }

    // Keeps the values the user changed since the dialog opened (or since "Defaults").
    void accept() override {
        const std::vector<v4l2::Control> controls = v4l2::controls(node_);
        std::map<std::uint32_t, int> changed;
        for (const v4l2::Control& control : controls)
            if (const auto before = taken_.find(control.id);
                before != taken_.end() && before->second != control.value)
                changed[control.id] = control.value;
        std::optional<int> input;
        if (inputNow_ >= 0 && inputNow_ != inputTaken_)
            input = inputNow_;
        if (forget_ || !changed.empty() || input)
            v4l2::storeKept(key_, controls, changed, input, forget_);
    }

private:
    void buildInputs(QFormLayout& form) {
        const std::vector<std::string> inputs = v4l2::inputs(node_);
        if (inputs.size() < 2)
            return;
        inputAtStart_ = inputNow_ = v4l2::currentInput(node_);
        auto* input = new QComboBox(&dialog_);
        input->setObjectName(QStringLiteral("Input"));
        for (const std::string& name : inputs)
            input->addItem(QString::fromStdString(name));
        input->setCurrentIndex(inputAtStart_);
        form.addRow(QStringLiteral("&Input:"), input);
        QObject::connect(input, &QComboBox::currentIndexChanged, &dialog_, [this](int index) {
            const Result<> switched = switchInput(index);
            say(switched ? QString()
                         : QStringLiteral("Cannot switch to input %1: %2")
                               .arg(index + 1)
                               .arg(switched.why()));
        });
    }

    // Most devices switch inputs only while they hold no buffers: the preview lets go of
    // them for the switch and streams again after it.
    Result<> switchInput(int index) {
        Result<> switched = v4l2::setInput(node_, index);
        if (!switched && pipeline_) {
            pipeline_->halt();
            switched = v4l2::setInput(node_, index);
            // A stream that does not come back is the preview's to report, as any stop.
            (void)pipeline_->play();
        }
        if (switched)
            inputNow_ = index;
        return switched;
    }

    void addControl(QFormLayout& form, const v4l2::Control& control) {
        const QString name = QString::fromStdString(control.name);
        const std::uint32_t id = control.id;
        ControlView view{id, nullptr, {}};
        switch (control.kind) {
        case v4l2::Control::Kind::Integer: {
            auto* row = new QWidget(&dialog_);
            auto* layout = new QHBoxLayout(row);
            layout->setContentsMargins(0, 0, 0, 0);
            auto* slider = new QSlider(Qt::Horizontal, row);
            slider->setObjectName(name);
            slider->setRange(control.minimum, control.maximum);
            slider->setSingleStep(control.step);
            // A range can span every int (the kernel's test driver has one): its tenth in 64 bits.
            const std::int64_t tenth =
                (std::int64_t(control.maximum) - std::int64_t(control.minimum)) / 10;
            slider->setPageStep(std::max(control.step, static_cast<int>(tenth)));
            slider->setMinimumWidth(180);
            auto* value = new QLabel(row);
            // One width for every value, so that the sliders line up.
            value->setFixedWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-00000")));
            layout->addWidget(slider);
            layout->addWidget(value);
            form.addRow(nameLabel(name, row), row);
            QObject::connect(slider, &QSlider::valueChanged, &dialog_, [this, id, value](int now) {
                value->setNum(now);
                set(id, now);
            });
            view.widget = slider;
            view.show = [slider, value](const v4l2::Control& now) {
                const QSignalBlocker quiet(slider);
                slider->setValue(now.value);
                value->setNum(now.value);
            };
            break;
        }
        case v4l2::Control::Kind::Boolean: {
            auto* box = new QCheckBox(name, &dialog_);
            box->setObjectName(name);
            form.addRow(QString(), box);
            QObject::connect(box, &QCheckBox::toggled, &dialog_,
                             [this, id](bool on) { set(id, on ? 1 : 0); });
            view.widget = box;
            view.show = [box](const v4l2::Control& now) {
                const QSignalBlocker quiet(box);
                box->setChecked(now.value != 0);
            };
            break;
        }
        case v4l2::Control::Kind::Menu: {
            auto* menu = new QComboBox(&dialog_);
            menu->setObjectName(name);
            for (const auto& [value, text] : control.menu)
                menu->addItem(QString::fromStdString(text), value);
            form.addRow(nameLabel(name, menu), menu);
            QObject::connect(menu, &QComboBox::currentIndexChanged, &dialog_,
                             [this, id, menu](int) { set(id, menu->currentData().toInt()); });
            view.widget = menu;
            view.show = [menu](const v4l2::Control& now) {
                const QSignalBlocker quiet(menu);
                menu->setCurrentIndex(menu->findData(now.value));
            };
            break;
        }
        case v4l2::Control::Kind::Button: {
            auto* button = new QPushButton(name, &dialog_);
            button->setObjectName(name);
            button->setAutoDefault(false);
            form.addRow(QString(), button);
            QObject::connect(button, &QPushButton::clicked, &dialog_, [this, id] { set(id, 1); });
            view.widget = button;
            break;
        }
        }
        views_.push_back(std::move(view));
    }

    // Shows the device's values, and which controls it lets the user set now.
    void refresh(const std::vector<v4l2::Control>& controls) {
        for (ControlView& view : views_)
            for (const v4l2::Control& now : controls)
                if (now.id == view.id) {
                    if (view.show)
                        view.show(now);
                    view.widget->setEnabled(!now.readOnly && !now.inactive);
                }
    }

    void set(std::uint32_t id, int value) {
        const Result<> set = v4l2::setControl(node_, id, value);
        const std::vector<v4l2::Control> controls = v4l2::controls(node_);
        say(set ? QString() : QStringLiteral("Cannot set %1: %2").arg(names_[id], set.why()));
        // Setting one control may make another active or inactive (an automatic white
        // balance and its temperature), or be rounded by the device.
        refresh(controls);
    }

    // Sets the values that differ from the device's own. A control another one makes inactive
    // takes its value only once that one is set: the last in the device's order first, then
    // again whatever that left refused.
    void setAll(const std::map<std::uint32_t, int>& wanted) {
        std::map<std::uint32_t, int> now;
        for (const v4l2::Control& control : v4l2::controls(node_))
            now[control.id] = control.value;
        std::vector<std::pair<std::uint32_t, int>> refused;
        for (auto it = wanted.rbegin(); it != wanted.rend(); ++it)
            if (now.count(it->first) && now[it->first] != it->second &&
                !v4l2::setControl(node_, it->first, it->second))
                refused.push_back(*it);
        // What the device refuses again stays as the device has it.
        for (auto it = refused.rbegin(); it != refused.rend(); ++it)
            (void)v4l2::setControl(node_, it->first, it->second);
    }

    void say(const QString& problem) {
        problem_->setText(problem);
        problem_->setVisible(!problem.isEmpty());
    }

    const std::string node_;
    const SettingsKey key_;
    QDialog& dialog_;
    PreviewPipeline* pipeline_;
    std::vector<ControlView> views_;
    std::map<std::uint32_t, QString> names_;
    std::map<std::uint32_t, int> atStart_;
    std::map<std::uint32_t, int> defaults_;
    int inputAtStart_ = -1;
    int inputNow_ = -1;
    // What OK compares with to find what the user changed; "Defaults" makes it anew, and
    // has OK forget what was kept before.
    std::map<std::uint32_t, int> taken_;
    int inputTaken_ = -1;
    bool forget_ = false;
    QLabel* problem_ = nullptr;
};

} // namespace

std::unique_ptr<SourcePanel> V4l2Settings::panel(QDialog& dialog, QFormLayout& form,
                                                 PreviewPipeline* pipeline) {
    return std::make_unique<DevicePanel>(dialog, form, node_, key_, pipeline);
}

void V4l2Settings::putBack() {
    if (!key_.registry)
        return;
    std::vector<v4l2::Control> controls = v4l2::controls(node_);
    const v4l2::KeptValues kept = v4l2::readKept(key_, controls);
    // The input first: a capture card may take other controls on another input, so they are
    // read again after a switch.
    if (kept.input && *kept.input != v4l2::currentInput(node_) &&
        *kept.input < static_cast<int>(v4l2::inputs(node_).size()) && *kept.input >= 0 &&
        v4l2::setInput(node_, *kept.input))
        controls = v4l2::controls(node_);
    if (!kept.controls.empty())
        v4l2::setInAcceptedOrder(node_, kept.controls, std::move(controls));
}

} // namespace platform
