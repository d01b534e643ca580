#include "Support.h"

#include "album/Notice.h"
#include "app/Main.h"
#include "capture/Config.h"
#include "platform/help/HelpService.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Markup that loads a picture from the start-up directory, were it taken as rich text; a
// USB camera's product string, a PipeWire node's description or a directory's name can hold
// it (and name /dev/zero, which hangs the program).
const QString kMarkup = QStringLiteral("<img src=p.png>");

// Lays out and paints the window as the screen would, then whether one of its labels shows
// `text` character for character.
bool showsPlainly(QWidget& window, const QString& text) {
    window.grab();
    QCoreApplication::processEvents();
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->text() == text && label->textFormat() == Qt::PlainText)
            return true;
    return false;
}

// Every text from outside the program is shown as its characters: the error and information
// boxes (a device's name, a path), the help system's box (a directory of that name), the
// notice (a device's refusal) and the version line of "Select Source". Nothing is loaded.
TEST(PlainText, TextsFromOutsideLoadNothing) {
    test::StartDir dir;
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(dir.path() + "/p.png"));
    test::OpenWatch watch(dir.path() + "/p.png");
    ASSERT_TRUE(watch.watching());
    const QString device = "Cannot open " + kMarkup + " (/dev/video0): Device or resource busy.";

    // A modal box as the user meets it: looked at once it is up, then closed.
    const auto lookAtModal = [](const QString& text, bool& plain) {
        QTimer::singleShot(0, [text, &plain] {
            QWidget* box = QApplication::activeModalWidget();
            plain = box && showsPlainly(*box, text);
            if (box)
                box->close();
        });
    };
    struct Row {
        const char* what;
        std::function<bool()> show; // whether the text shows plainly
    } rows[] = {
        {"an error box",
         [&] {
             bool plain = false;
             lookAtModal(device, plain);
             ui::MessageBoxes().showError("Nimbacast", device);
             return plain;
         }},
        {"an information box",
         [&] {
             bool plain = false;
             lookAtModal(device, plain);
             ui::MessageBoxes().showInformation("Nimbacast", device);
             return plain;
         }},
        {"the help system's box, in a directory of that name",
         [&] {
             if (!QDir(dir.path()).mkdir(kMarkup))
                 return false;
             const QString file = dir.path() + "/" + kMarkup + "/GuiHelp.hlp";
             platform::HelpViewerService help;
             help.showContents(file);
             for (QWidget* w : QApplication::topLevelWidgets())
                 if (w->objectName() == "HelpError" && w->isVisible()) {
                     const auto* box = static_cast<QMessageBox*>(w);
                     const bool plain = showsPlainly(*w, box->text()) && box->text().contains(file);
                     w->close();
                     return plain;
                 }
             return false;
         }},
        {"the notice",
         [&] {
             album::TFNotice notice;
             QWidget main;
             test::ScriptedModal modal;
             bool plain = false;
             modal.answer = [&](QDialog& d) {
                 d.show();
                 plain = showsPlainly(d, device);
                 d.hide();
                 return int(QDialog::Accepted);
             };
             notice.showBelow(main, modal, device);
             return plain;
         }},
        {"the driver's version in Select Source",
         [&] {
             test::TestProgram run(R"({"drivers":[{"index":0,"name":"Cam","version":")" +
                                   kMarkup.toStdString() + R"("}]})");
             bool plain = false;
             run.modal.answer = [&](QDialog& d) {
                 d.show();
                 plain = showsPlainly(d, kMarkup);
                 d.hide();
                 return int(QDialog::Rejected);
             };
             run.program.MainForm().B_SettingClick();
             return plain;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_TRUE(row.show()) << "the text is not shown as its characters";
        EXPECT_FALSE(watch.opened()) << "the picture the text names was loaded";
    }
}

} // namespace
