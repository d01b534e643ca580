#pragma once

#include <QDialog>

namespace capture {

// The dialog that chooses the capture driver and the preview rate.
class TFConfig : public QDialog {
    Q_OBJECT
public:
    TFConfig();

private:
    void FormCreate();
};

} // namespace capture
