#include "platform/capture/v4l2/KeptControls.h"

#include "platform/registry/Registry.h"

#include <algorithm>
#include <array>

namespace platform::v4l2 {

namespace {

QString valueName(const std::string& controlName) {
    return QString::fromStdString(controlName);
}

bool keptKind(const Control& control) {
    return !control.readOnly && control.kind != Control::Kind::Button && keptByName(control.name);
}

// A kept value is a 32-bit value; a control's value is signed.
int fromDword(std::uint32_t value) {
    return static_cast<int>(static_cast<std::int32_t>(value));
}

} // namespace

bool keptByName(const std::string& controlName) {
    static const std::array<QString, 5> taken = {
        QStringLiteral("ImageWidth"), QStringLiteral("ImageHeight"), QStringLiteral("ApWidth"),
        QStringLiteral("ApHeight"), QString::fromLatin1(kKeptInput)};
    const QString name = valueName(controlName);
    return !name.trimmed().isEmpty() &&
           std::none_of(taken.begin(), taken.end(), [&](const QString& t) {
               return t.compare(name, Qt::CaseInsensitive) == 0;
           });
}

KeptValues readKept(const SettingsKey& key, const std::vector<Control>& controls) {
    KeptValues kept;
    if (!key.registry)
        return kept;
    const auto values = key.registry->openKey(key.path, Registry::Access::Read);
    if (!values)
        return kept;
    for (const Control& control : controls)
        if (keptKind(control) && !kept.controls.count(control.id))
            if (const auto value = values->readDword(valueName(control.name)))
                kept.controls[control.id] = fromDword(*value);
    if (const auto input = values->readDword(QString::fromLatin1(kKeptInput)))
        kept.input = fromDword(*input);
    return kept;
}

void storeKept(const SettingsKey& key, const std::vector<Control>& controls,
               const std::map<std::uint32_t, int>& changed, std::optional<int> input,
               bool forgetFirst) {
    if (!key.registry)
        return;
    // A key the store may not write opens as absent: nothing is stored, and nothing said.
    const auto values = key.registry->openKey(key.path);
    if (!values)
        return;
    if (forgetFirst) {
        for (const Control& control : controls)
            if (keptKind(control))
                values->deleteValue(valueName(control.name));
        values->deleteValue(QString::fromLatin1(kKeptInput));
    }
    for (const Control& control : controls) {
        const auto value = changed.find(control.id);
        if (value != changed.end() && keptKind(control))
            values->writeDword(
                valueName(control.name),
                static_cast<std::uint32_t>(static_cast<std::int32_t>(value->second)));
    }
    if (input)
        values->writeDword(QString::fromLatin1(kKeptInput), static_cast<std::uint32_t>(*input));
}

void setInAcceptedOrder(const std::string& node, std::map<std::uint32_t, int> wanted,
                        std::vector<Control> now) {
    for (bool first = true; !wanted.empty(); first = false) {
        if (!first)
            now = controls(node);
        bool progress = false;
        for (const Control& control : now) {
            const auto value = wanted.find(control.id);
            if (value == wanted.end() || control.inactive)
                continue;
            const int want = value->second;
            wanted.erase(value);
            progress = true;
            // A kept value the camera no longer offers (its range changed with its firmware)
            // is left: the camera keeps its own.
            const bool menuEntry =
                control.kind != Control::Kind::Menu ||
                std::any_of(control.menu.begin(), control.menu.end(),
                            [&](const auto& entry) { return entry.first == want; });
            if (control.readOnly || want < control.minimum || want > control.maximum ||
                !menuEntry || want == control.value)
                continue;
            // One the camera refuses all the same is skipped too, without a word.
            (void)setControl(node, control.id, want);
        }
        if (!progress)
            break;
    }
}

} // namespace platform::v4l2
