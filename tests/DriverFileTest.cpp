#include "Support.h"

#include "platform/capture/drivers/DriversFile.h"
#include "platform/capture/drivers/SimulatedDriver.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(DriverFile, FieldsAndDefaults) {
    test::StartDir dir;
    const platform::DriverTable table = test::simulatedDrivers(dir, R"({"drivers":[
        {"index":2,"name":"Quorix VideoCam","version":"5.1.0","connect":true,
         "width":640,"height":480,"futureField":[1,2]},
        {"index":9}]})");
    ASSERT_TRUE(table[2]);
    EXPECT_EQ(table[2]->spec().name, "Quorix VideoCam");
    EXPECT_EQ(table[2]->spec().version, "5.1.0");
    EXPECT_TRUE(table[2]->acceptsConnect());
    EXPECT_EQ(table[2]->currentMode().size.width, 640);
    EXPECT_EQ(table[2]->currentMode().size.height, 480);
    EXPECT_TRUE(dynamic_cast<const platform::SimulatedDriver*>(table[2].get()));
    EXPECT_EQ(table[2]->spec().devicePath, "\\\\?\\simulated\\2");
    ASSERT_TRUE(table[9]);
    EXPECT_EQ(table[9]->spec().name, "");
    EXPECT_EQ(table[9]->spec().version, "");
    EXPECT_TRUE(table[9]->acceptsConnect());
    EXPECT_EQ(table[9]->currentMode().size.width, 320);
    EXPECT_EQ(table[9]->currentMode().size.height, 240);
    for (int i : {0, 1, 3, 4, 5, 6, 7, 8})
        EXPECT_FALSE(table[i]) << i;
}

TEST(DriverFile, FaultsNameTheFileAndLeaveNoDriver) {
    struct Row {
        const char* contents; // null: no file at all
        const char* fault;
    } rows[] = {
        {nullptr, "No such file"},
        {"{\"drivers\": [", "line 1"},
        {"{\n  \"drivers\": [ {\"index\": 1,}\n]}", "line 2"},
        {"[]", "\"drivers\" array"},
        {R"({"drivers":{"index":1}})", "\"drivers\" array"},
        {R"({"drivers":[{"name":"x"}]})", "no \"index\""},
        {R"({"drivers":[{"index":10}]})", "0 to 9"},
        {R"({"drivers":[{"index":-1}]})", "0 to 9"},
        {R"({"drivers":[{"index":1.5}]})", "0 to 9"},
        {R"({"drivers":[{"index":"1"}]})", "0 to 9"},
        // Beyond any int: the range is checked before the number is converted.
        {R"({"drivers":[{"index":1e10}]})", "0 to 9"},
        {R"({"drivers":[{"index":-1e300}]})", "0 to 9"},
        {R"({"drivers":[{"index":1,"width":1e10}]})", "\"width\""},
        {R"({"drivers":[{"index":1,"sizes":[[640,-3e9]]}]})", "\"sizes\""},
        {R"({"drivers":[{"index":1,"failAfterFrames":4294967296}]})", "\"failAfterFrames\""},
        {R"({"drivers":[{"index":1},{"index":1}]})", "listed twice"},
        {R"({"drivers":[{"index":1,"name":3}]})", "\"name\" must be a string"},
        {R"({"drivers":[{"index":1,"connect":"no"}]})", "true or false"},
        {R"({"drivers":[{"index":1,"width":0}]})", "\"width\""},
        {R"({"drivers":[{"index":1,"height":100000}]})", "\"height\""},
        {R"({"drivers":[{"index":1,"width":4096,"height":4096}]})", "larger than"},
        {R"({"drivers":[{"index":1,"stallAfterFrames":-2}]})", "\"stallAfterFrames\""},
        {R"({"drivers":[{"index":0},7]})", "entry 2 is not an object"},
    };
    for (const auto& r : rows) {
        test::StartDir dir;
        const QString path = dir.path() + "/drivers.json";
        if (r.contents)
            dir.write("drivers.json", r.contents);
        const auto loaded = platform::loadSimulatedDrivers(path.toStdString());
        ASSERT_FALSE(loaded) << "no driver at all from " << r.contents;
        const std::string error = loaded.failure().utf8();
        EXPECT_NE(error.find(path.toStdString()), std::string::npos) << error;
        EXPECT_NE(error.find(r.fault), std::string::npos) << error;
    }
}

// What stands in the file's place is refused at once, never waited on or read without end.
TEST(DriverFile, OnlyARegularFileOfModestSizeIsRead) {
    test::StartDir dir;
    const QString fifo = dir.path() + "/fifo.json";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = dir.write("big.json", "{\"drivers\":[]}" + QByteArray(2 << 20, ' '));
    struct Row {
        QString path;
        const char* fault;
    } rows[] = {{fifo, "not a regular file"},
                {"/dev/zero", "not a regular file"},
                {dir.path(), "not a regular file"},
                {big, "more than"}};
    for (const Row& r : rows) {
        const auto loaded = platform::loadSimulatedDrivers(r.path.toStdString());
        ASSERT_FALSE(loaded) << "no driver at all";
        const std::string error = loaded.failure().utf8();
        EXPECT_NE(error.find(r.fault), std::string::npos) << error;
    }
}

TEST(DriverFile, TheEnvironmentVariableReplacesTheMachinesDrivers) {
    test::StartDir dir;
    const QString path = dir.write("d.json", R"({"drivers":[{"index":4,"name":"Sim"}]})");
    std::optional<test::ScopedEnvironment> simulated;
    simulated.emplace("NIMBACAST_CAPTURE_DRIVERS", path.toUtf8());
    const auto loaded = platform::loadDriversFromEnvironment();
    simulated.reset();
    ASSERT_TRUE(loaded) << loaded.failure().utf8();
    for (int i = 0; i < platform::kDriverSlots; ++i)
        EXPECT_EQ(bool((*loaded)[i]), i == 4) << i;

    // Without it: the machine's devices, then the built-in test pattern after them.
    const auto found = platform::loadDriversFromEnvironment();
    ASSERT_TRUE(found) << found.failure().utf8();
    const platform::DriverTable& machine = *found;
    int last = -1;
    for (int i = 0; i < platform::kDriverSlots; ++i)
        if (machine[i])
            last = i;
    ASSERT_GE(last, 0);
    EXPECT_EQ(machine[last]->spec().name, "Test Pattern");
    EXPECT_TRUE(dynamic_cast<const platform::TestPatternDriver*>(machine[last].get()));
}

} // namespace
