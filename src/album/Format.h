#pragma once

#include <QDialog>

namespace album {

// The file format settings dialog of the frame export.
class TFormatJpeg : public QDialog {
    Q_OBJECT
public:
    TFormatJpeg();

private:
    void FormCreate();
};

} // namespace album
