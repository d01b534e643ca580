#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace ui {
class Modal;
}

namespace album {

// The small modal notice that asks the user to select a frame.
class TFNotice : public QDialog {
    Q_OBJECT
public:
    TFNotice();

    QLabel* StaticText = nullptr;
    QPushButton* Button = nullptr;

    // The notice step: the message ("Please select one frame first." unless another is
    // given), 70 pixels below the window's top-left corner, shown modally until the user
    // closes it.
    void showBelow(const QWidget& window, ui::Modal& modal, const QString& message = {});

private:
    void FormCreate();
};

} // namespace album
