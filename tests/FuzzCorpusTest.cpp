#include "fuzz/DibFuzzTarget.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Every input the fuzzer has kept runs through the conversion again; the hand-made seeds,
// all but the truncated one, must convert.
TEST(FuzzCorpus, ReplaysEveryInput) {
    int inputs = 0, seedsConverted = 0, seeds = 0;
    QDirIterator it(QStringLiteral(NIMBACAST_SOURCE_DIR "/tests/fuzz/corpus"), QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        // A copy of exactly the input's size, so that a sanitizer sees any read past it.
        std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        const int result = test::convertFuzzInput(data.data(), data.size());
        ++inputs;
        if (path.endsWith(".dib") && !path.endsWith("truncated.dib")) {
            ++seeds;
            seedsConverted += result == platform::kSuccess;
            EXPECT_EQ(result, platform::kSuccess) << QFileInfo(path).fileName().toStdString();
        }
    }
    EXPECT_GE(seeds, 20);
    EXPECT_EQ(seedsConverted, seeds);
    EXPECT_GE(inputs, seeds);
}

} // namespace
