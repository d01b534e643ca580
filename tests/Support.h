#pragma once

#include "QtPrinters.h"
#include "app/Program.h"
#include "platform/capture/CaptureService.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/DriverTable.h"
#include "platform/help/HelpService.h"
#include "platform/registry/Registry.h"
#include "platform/sound/SoundService.h"
#include "ui/FileDialogs.h"
#include "ui/Messages.h"
#include "ui/Modal.h"

#include <QDialog>
#include <QJsonObject>

#include <deque>
#include <functional>
#include <optional>

#include <QString>
#include <QTemporaryDir>

#include <optional>

#include <memory>
#include <string>
#include <vector>

namespace test {

// A fresh, empty start-up directory that is the current directory while the object lives.
class StartDir {
public:
    StartDir();
    ~StartDir();
    QString path() const { return dir_.path(); }
    // Writes a file into the directory and returns its path.
    QString write(const QString& name, const QByteArray& contents) const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Sets (or, with nothing, removes) an environment variable while the object lives and puts
// back what was there before.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<QByteArray> value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> previous_;
};

// A small tmpfs mounted on a temporary directory while the object lives, for writes that
// meet a full or read-only disk. mounted() is false where mounting is refused.
class SmallDisk {
public:
    explicit SmallDisk(int kibibytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }
    // Takes up all room but `free` bytes with a filler file.
    void fill(qint64 free) const;
    bool makeReadOnly() const;
    // The names in the directory, the filler's left out.
    QStringList entries() const;

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

class FakeHelp : public platform::HelpService {
public:
    void showContents(const QString& helpFile) override { shown.push_back(helpFile); }
    std::vector<QString> shown;
};

class RecordedMessages : public ui::Messages {
public:
    struct Entry {
        QString caption;
        QString text;
    };
    void showError(const QString& caption, const QString& text) override {
        errors.push_back({caption, text});
    }
    void showInformation(const QString& caption, const QString& text) override {
        information.push_back({caption, text});
    }
    std::vector<Entry> errors;
    std::vector<Entry> information;
};

// Sends the application's standard error report to `messages`, under `title` when one is
// given, while the object lives; what was there before is put back even when a failed
// assertion ends the test early.
class ReportsTo {
public:
    explicit ReportsTo(ui::Messages& messages, std::optional<QString> title = std::nullopt);
    ~ReportsTo();
    ReportsTo(const ReportsTo&) = delete;
    ReportsTo& operator=(const ReportsTo&) = delete;

private:
    ui::Messages* previousMessages_;
    QString previousTitle_;
};

class FakeSound : public platform::SoundService {
public:
    bool playSync(const QString& wavFile) override {
        played.push_back(wavFile);
        if (whilePlaying)
            whilePlaying();
        return true;
    }
    std::vector<QString> played;
    std::function<void()> whilePlaying;
};

// Answers modal dialogs from a script: each one is looked at by `answer` (when set), then
// closed with its result.
class ScriptedModal : public ui::Modal {
public:
    int exec(QDialog& dialog) override {
        shown.push_back(dialog.objectName());
        return answer ? answer(dialog) : QDialog::Accepted;
    }
    std::vector<QString> shown;
    std::function<int(QDialog&)> answer;
};

// Answers file dialogs from a script of chosen paths (an empty one, or none left: the user
// cancels) and keeps what each dialog was opened with.
class ScriptedFileDialogs : public ui::FileDialogs {
public:
    std::optional<QString> getSaveFileName(QWidget*,
                                           const ui::FileDialogOptions& options) override {
        opened.push_back(options);
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    }
    std::deque<QString> answers;
    std::vector<ui::FileDialogOptions> opened;

    // An open dialog as the user works it: it starts on the options it was given, and each
    // action of the user raises the events the real one does.
    class OpenDialog {
    public:
        OpenDialog(const ui::FileDialogOptions& options, const ui::OpenDialogEvents& events)
            : state{options.filterIndex, options.fileName}, events_(events) {}
        // The user picks another filter: no event.
        void switchFilter(int index) { state.filterIndex = index; }
        // The user clicks a file in the list: the selection changes.
        void click(const QString& path) {
            state.path = path;
            if (events_.onSelectionChange)
                events_.onSelectionChange(state);
        }
        ui::OpenDialogState state;

    private:
        const ui::OpenDialogEvents& events_;
    };
    // Each opening of an open dialog takes the next script: it acts on the dialog and
    // returns the path the user confirms (typed or clicked), or nothing to cancel. None
    // left: the user cancels.
    using OpenScript = std::function<std::optional<QString>(OpenDialog&)>;
    std::deque<OpenScript> openScripts;
    std::vector<ui::FileDialogOptions> opensOpened;

    std::optional<ui::OpenDialogState>
    getOpenFileName(QWidget*, const ui::FileDialogOptions& options,
                    const ui::OpenDialogEvents& events) override {
        opensOpened.push_back(options);
        OpenDialog dialog(options, events);
        if (events.onShow)
            events.onShow(dialog.state);
        if (openScripts.empty())
            return std::nullopt;
        const OpenScript script = std::move(openScripts.front());
        openScripts.pop_front();
        const std::optional<QString> confirmed = script(dialog);
        if (!confirmed)
            return std::nullopt;
        return ui::OpenDialogState{dialog.state.filterIndex, *confirmed};
    }
};

// Whether anything opens a file while the object lives (inotify), for texts that must not
// load what they name.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path);
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;
    bool watching() const { return watch_ >= 0; }
    // Whether it was opened since the last look.
    bool opened();

private:
    int fd_;
    int watch_ = -1;
};

// A file's bytes; empty when it cannot be read.
QByteArray contentsOf(const QString& path);

// The key of that path as the registry file holds it; empty when it holds none.
QJsonObject registryKey(const QString& registryFile, const QString& path);

// The first simulated driver's key, as the registry file of a run holds it.
inline QJsonObject firstDriverKey(const QString& registryFile) {
    return registryKey(registryFile,
                       QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\##?#simulated#0"));
}

// Waits, letting events run and asleep between looks, up to `ms` for the condition.
bool waitUntil(const std::function<bool()>& condition, int ms = 8000);

// Lets the reports and other calls queued by the last event run, as the event loop would.
void settle();

// The driver table of a simulated drivers file with the given JSON text.
platform::DriverTable simulatedDrivers(const StartDir& dir, const std::string& json);

// One run of the program, started in its own temporary directory with simulated drivers
// and a registry file there (`registryJson`, when given, is its contents before the start;
// the capture service installs its drivers' keys into it as on a machine), or elsewhere:
// `registryFile`, when given, names one the test has prepared.
struct TestProgram {
    explicit TestProgram(const std::string& driversJson, const std::string& registryJson = {},
                         const std::string& cameraIni = {}, const QString& registryFile = {});
    // The same with the given drivers (the machine's, say) instead of simulated ones.
    explicit TestProgram(const std::function<platform::DriverTable(const StartDir&)>& drivers,
                         const std::string& registryJson = {}, const std::string& cameraIni = {},
                         const QString& registryFile = {});
    StartDir dir;
    QString registryFile;
    platform::JsonRegistry registry;
    // Answers the drivers' own dialogs; without an answer they are cancelled.
    std::function<int(QDialog&)> driverDialogs;
    platform::CaptureService capture;
    FakeHelp help;
    FakeSound sound;
    RecordedMessages messages;
    ScriptedModal modal;
    ScriptedFileDialogs fileDialogs;
    app::Program program;
};

} // namespace test
