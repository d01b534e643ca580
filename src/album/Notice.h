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

    // The notice step: the message, 70 pixels below the album's top-left corner, shown
    // modally until the user closes it.
    void showBelow(const QWidget& album, ui::Modal& modal);

private:
    void FormCreate();
};

} // namespace album
