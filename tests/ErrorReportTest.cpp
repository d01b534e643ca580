#include "Support.h"

#include "ui/ErrorReport.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(ErrorReport, AToolkitErrorEndsTheHandlerAndTheProgramGoesOn) {
    test::RecordedMessages messages;
    std::optional<test::ReportsTo> reports(std::in_place, messages, " USB Camera");

    QPushButton button;
    int started = 0, finished = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++started;
        throw ui::ToolkitError("Cannot load \"Frame3.bmp\": no such file");
        ++finished;
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    // The box opens after the event, not inside the handler that failed.
    EXPECT_TRUE(messages.errors.empty());
    test::settle();
    QTest::mouseClick(&button, Qt::LeftButton);
    test::settle();
    reports.reset();

    EXPECT_EQ(started, 2);
    EXPECT_EQ(finished, 0);
    ASSERT_EQ(messages.errors.size(), 2u);
    EXPECT_EQ(messages.errors[0].caption, " USB Camera");
    EXPECT_EQ(messages.errors[0].text, "Cannot load \"Frame3.bmp\": no such file");
}

} // namespace
