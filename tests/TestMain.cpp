#include "ChildRoles.h"
#include "ui/ErrorReport.h"

#include <gtest/gtest.h>

#include <QtGlobal>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application application(argc, argv);
    if (const std::optional<int> status = test::playChildRole())
        return *status;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
