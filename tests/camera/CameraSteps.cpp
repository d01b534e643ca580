#include "CameraSteps.h"

#include "app/Main.h"
#include "capture/Config.h"
#include "platform/capture/CaptureWindow.h"

#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace test {

void selectSource(TestProgram& run, int index, int fps) {
    run.modal.answer = [&](QDialog& dialog) {
        if (dialog.objectName() == "FNotice")
            return int(QDialog::Accepted);
        auto& config = dynamic_cast<capture::TFConfig&>(dialog);
        config.show();
        config.ComboBox1->setCurrentIndex(index);
        config.TrackBar->setValue(fps);
        config.hide();
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(run.program.MainForm().B_Setting, Qt::LeftButton);
    run.modal.answer = nullptr;
}

QImage nextGrab(const app::MainState& s) {
    QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
    if (!frames.wait(5000) || !s.CapWnd->grabFrameNoStop())
        return {};
    return s.CapWnd->grabBuffer();
}

QStringList items(const QComboBox& box) {
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.itemText(i);
    return texts;
}

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

void choose(QListWidget& list, const QString& text) {
    const auto found = list.findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    list.setCurrentItem(found.front());
}

} // namespace test
