#include "ChildRoles.h"
#include "Support.h"

#include "app/SingleInstance.h"
#include "platform/instance/DirectoryLock.h"
#include "platform/instance/LockFile.h"
#include "platform/instance/PrivateDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Waits for a line on the child's standard output, keeping what it said in `said`.
bool says(QProcess& child, QByteArray& said, const QByteArray& line) {
    return test::waitUntil([&] {
        said += child.readAllStandardOutput();
        return said.contains(line + '\n');
    });
}

// One run per start-up directory: a second start there hands over to the running one and
// touches nothing in the directory; a run ended by SIGKILL leaves nothing that keeps the
// next start from running; another directory runs beside it.
TEST(SingleInstance, OneRunPerStartupDirectory) {
    enum class First { Running, Killed, Silent };
    struct Row {
        const char* what;
        First first;
        bool sameDirectory;
        bool secondRuns;
        int handOverStatus; // when it does not run
    };
    const Row rows[] = {
        {"a second start in the same directory", First::Running, true, false, 0},
        {"the first killed, a new start runs", First::Killed, true, true, 0},
        {"another directory runs beside it", First::Running, false, true, 0},
        {"a first that does not answer", First::Silent, true, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir a, b;
        const QString dir = QFileInfo(a.path()).canonicalFilePath();
        QProcess first;
        QByteArray said;
        if (row.first == First::Silent) {
            // The lock held, as by a program that hangs before it listens; the file made as
            // the program makes it (a lock file others could open is not trusted).
            const QString lockFile = dir + "/" + platform::DirectoryLock::kFileName;
            ASSERT_TRUE(platform::LockFile(lockFile).state() == platform::LockFile::State::Held);
            first.start("flock", {lockFile, "sleep", "60"});
            ASSERT_TRUE(first.waitForStarted());
            ASSERT_TRUE(test::waitUntil([&] {
                return platform::DirectoryLock(dir).state() ==
                       platform::DirectoryLock::State::HeldByAnother;
            }));
        } else {
            test::startChild(first, {"--start-in", dir});
            ASSERT_TRUE(first.waitForStarted());
            ASSERT_TRUE(says(first, said, "running")) << first.readAllStandardError().toStdString();
        }
        if (row.first == First::Killed) {
            first.kill();
            ASSERT_TRUE(first.waitForFinished());
        }
        const QStringList before = entries(dir);

        const QString secondDir = row.sameDirectory ? dir : b.path();
        app::SingleInstance second(secondDir);
        EXPECT_EQ(second.first(), row.secondRuns);
        if (!second.first()) {
            test::RecordedMessages messages;
            EXPECT_EQ(second.handOver(messages), row.handOverStatus);
            if (row.handOverStatus == 0) {
                EXPECT_TRUE(says(first, said, "activated"));
                EXPECT_TRUE(messages.errors.empty());
            } else {
                ASSERT_EQ(messages.errors.size(), 1u);
                EXPECT_TRUE(messages.errors[0].text.contains('"' + dir + '"'))
                    << messages.errors[0].text.toStdString();
            }
        } else {
            // It is the one running there now: a further start hands over to it.
            QWidget window;
            window.show();
            second.raiseOnRequest(window);
            QProcess third;
            test::startChild(third, {"--start-in", secondDir});
            ASSERT_TRUE(test::waitUntil([&] { return third.state() == QProcess::NotRunning; }));
            EXPECT_EQ(third.exitCode(), 0) << third.readAllStandardError().toStdString();
        }
        EXPECT_EQ(entries(dir), before);
        if (row.first != First::Killed) {
            EXPECT_EQ(first.state(), QProcess::Running);
        }
        first.kill();
        first.waitForFinished();
    }
}

// Runs a shell command as another user (nobody), who can reach the test's directories;
// it says "held" once it holds what it locks.
bool startAsAnotherUser(QProcess& process, const QString& command) {
    process.start("setpriv",
                  {"--reuid=65534", "--regid=65534", "--clear-groups", "sh", "-c", command});
    QByteArray said;
    return process.waitForStarted() && test::waitUntil([&] {
               said += process.readAllStandardOutput();
               return said.contains("held\n") || process.state() == QProcess::NotRunning;
           }) &&
           said.contains("held\n");
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// Nothing another user does to the directory's lock file keeps this user's program from
// starting there, and nothing in its place lets two runs share the directory: the lock kept
// in the user's private directory holds them apart. Another user's processes hold nothing
// that counts.
TEST(SingleInstance, NoOtherUserBlocksAStartAndNoneRunsUnguarded) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to act as another user";
    const test::ScopedEnvironment xdg("XDG_RUNTIME_DIR", std::nullopt);
    enum class Other { None, HoldsOurOldFile, HoldsItsOwn, HoldsItsOwnPrivate };
    struct Row {
        const char* what;
        Other other;
        const char* prepare; // a shell command run in the directory first
    } rows[] = {
        {"another user holds a lock file an older run left readable", Other::HoldsOurOldFile,
         "umask 022; : >.nimbacast.lock"},
        {"another user's lock file, held, in a shared directory", Other::HoldsItsOwn, ""},
        {"another user's lock file of mode 0600, held", Other::HoldsItsOwnPrivate, ""},
        {"a symbolic link in the lock file's place", Other::None, "ln -s nowhere .nimbacast.lock"},
        {"a directory in the lock file's place", Other::None, "mkdir .nimbacast.lock"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir temporary;
        const QString dir = QFileInfo(temporary.path()).canonicalFilePath();
        // Open to every user, as a shared directory is.
        ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 01777), 0);
        const QString lockFile = dir + "/" + platform::DirectoryLock::kFileName;
        if (*row.prepare) {
            ASSERT_EQ(
                QProcess::execute("sh", {"-c", QString("cd '%1' && %2").arg(dir, row.prepare)}), 0);
        }
        QProcess other;
        if (row.other != Other::None) {
            const QString umask = row.other == Other::HoldsItsOwnPrivate ? "077" : "022";
            ASSERT_TRUE(startAsAnotherUser(
                other, QString("umask %1; exec flock -n '%2' sh -c 'echo held; exec sleep 60'")
                           .arg(umask, lockFile)))
                << other.readAllStandardError().toStdString();
        }
        const QString linkTarget = dir + "/nowhere";

        app::SingleInstance first(dir);
        EXPECT_TRUE(first.first());
        // A second start of this user's finds the first and hands over.
        app::SingleInstance second(dir);
        EXPECT_FALSE(second.first());
        if (row.other == Other::HoldsOurOldFile) {
            EXPECT_EQ(modeOf(lockFile) & 0777, 0600u) << "the readable lock file stays";
        }
        EXPECT_FALSE(QFileInfo::exists(linkTarget)) << "a file was made through the link";
        other.kill();
        other.waitForFinished();
    }
}

// Where no lock can be kept at all (no private directory: the one to be made in the
// temporary directory is another user's; and a link in the lock file's place), the program
// does not run unguarded: the start says so in a box naming the directory and the reasons.
TEST(SingleInstance, WithoutAnyLockTheStartEndsWithABox) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to make a directory another user's";
    QTemporaryDir tmp, start;
    const test::ScopedEnvironment xdg("XDG_RUNTIME_DIR", std::nullopt);
    const test::ScopedEnvironment tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    const QString squatted = tmp.path() + QString("/nimbacast-%1").arg(::geteuid());
    ASSERT_TRUE(QDir().mkdir(squatted));
    ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);
    const QString dir = QFileInfo(start.path()).canonicalFilePath();
    ASSERT_TRUE(QFile::link("nowhere", dir + "/" + platform::DirectoryLock::kFileName));

    app::SingleInstance instance(dir);
    EXPECT_FALSE(instance.first());
    test::RecordedMessages messages;
    EXPECT_EQ(instance.handOver(messages), 1);
    ASSERT_EQ(messages.errors.size(), 1u);
    const QString text = messages.errors[0].text;
    EXPECT_TRUE(text.contains('"' + dir + '"')) << text.toStdString();
    EXPECT_TRUE(text.contains("belongs to another user")) << text.toStdString();
    EXPECT_TRUE(text.contains("symbolic link")) << text.toStdString();
}

// Locks and the socket live in a directory of the user's alone: the runtime directory, or
// without one a directory made private in the temporary directory. A runtime directory that
// others may enter is not used. A second start with another runtime directory still finds
// the first, through the lock file in the start-up directory, which names its socket.
TEST(SingleInstance, TheSocketLivesInAPrivateDirectoryAndIsFoundFromAnother) {
    QTemporaryDir tmp, open, a, b, start;
    const test::ScopedEnvironment tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    ::chmod(QFile::encodeName(open.path()).constData(), 0755);
    struct Row {
        const char* what;
        std::optional<QByteArray> runtime;
        QString expected;
    } rows[] = {
        {"the runtime directory", QFile::encodeName(a.path()), a.path()},
        {"none: one made private", std::nullopt,
         tmp.path() + QString("/nimbacast-%1").arg(::geteuid())},
        {"one others may enter", QFile::encodeName(open.path()),
         tmp.path() + QString("/nimbacast-%1").arg(::geteuid())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const test::ScopedEnvironment xdg("XDG_RUNTIME_DIR", row.runtime);
        const platform::Result<QString> found = platform::privateDirectory();
        ASSERT_TRUE(found) << found.failure().utf8();
        EXPECT_EQ(*found, row.expected);
        EXPECT_EQ(modeOf(*found) & 0777, 0700u);
    }

    const QString dir = QFileInfo(start.path()).canonicalFilePath();
    QProcess first;
    QByteArray said;
    first.setProcessEnvironment([&] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", a.path());
        return env;
    }());
    test::startChild(first, {"--start-in", dir});
    ASSERT_TRUE(says(first, said, "running")) << first.readAllStandardError().toStdString();
    {
        const test::ScopedEnvironment xdg("XDG_RUNTIME_DIR", QFile::encodeName(b.path()));
        app::SingleInstance second(dir);
        EXPECT_FALSE(second.first());
        test::RecordedMessages messages;
        EXPECT_EQ(second.handOver(messages), 0);
        EXPECT_TRUE(messages.errors.empty());
        EXPECT_TRUE(says(first, said, "activated"));
    }
    first.kill();
    first.waitForFinished();
}

} // namespace
