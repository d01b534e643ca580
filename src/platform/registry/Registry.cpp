#include "platform/registry/Registry.h"

#include "platform/files/UniqueFd.h"

#include "platform/files/SmallFile.h"
#include "platform/files/WholeFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

const QString kMachine = QStringLiteral("HKEY_LOCAL_MACHINE");
// Far more than the few keys a machine keeps for the program; read and write no more.
constexpr qint64 kMaxRegistryFile = 4 << 20;
// Another writer holds the file's lock for one value's read-modify-write, a few
// milliseconds; one that holds it for longer is not waited for on the interface thread.
constexpr std::chrono::milliseconds kLockWait{2000};
constexpr std::chrono::milliseconds kLockRetry{2};

// The registry matches key paths and value names without regard to case, and takes a key
// with a trailing backslash for the key itself.
QString foldedName(const QString& name) {
    return name.toCaseFolded();
}
QString foldedPath(QString path) {
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return foldedName(path);
}

// A 32-bit value: any whole number a DWORD or a signed 32-bit integer can hold.
std::optional<std::uint32_t> dwordOf(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::floor(number) || number < -2147483648.0 ||
        number > 4294967295.0)
        return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(number));
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool exists(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// Whether the file may be replaced: the file itself when it is there, and the nearest
// directory above it that is there, which takes the new file before it is renamed (missing
// directories are made on the first write). A read-only mount says no even to root.
bool mayWrite(const QString& file) {
    if (exists(file) && ::access(QFile::encodeName(file).constData(), W_OK) != 0)
        return false;
    QString dir = QFileInfo(file).absolutePath();
    while (!exists(dir)) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (parent == dir)
            return false;
        dir = parent;
    }
    return ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
}

// Makes a missing directory and its missing parents, private to the user as configuration
// directories are.
bool makeDirectory(const QString& dir) {
    if (QFileInfo(dir).isDir())
        return true;
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent != dir && !makeDirectory(parent))
        return false;
    return ::mkdir(QFile::encodeName(dir).constData(), 0700) == 0 || errno == EEXIST;
}

// What one reading of the file holds.
struct Store {
    struct Value {
        QString name; // as first written
        QJsonValue data;
    };
    struct Key {
        QString path; // as first written
        std::vector<Value> values;
    };

    // Members of the file's top level other than the machine's keys, kept as they were.
    QJsonObject others;
    std::vector<Key> keys;
    QHash<QString, qsizetype> index; // folded path to position in `keys`

    Key* find(const QString& path) {
        const auto at = index.constFind(foldedPath(path));
        return at == index.constEnd() ? nullptr : &keys[*at];
    }

    // A value of a key, const or not.
    template <typename K> static auto* find(K& key, const QString& name) {
        const QString folded = foldedName(name);
        for (auto& value : key.values)
            if (foldedName(value.name) == folded)
                return &value;
        return static_cast<decltype(&key.values.front())>(nullptr);
    }

    Key& add(const QString& path) {
        index.insert(foldedPath(path), qsizetype(keys.size()));
        keys.push_back({path, {}});
        return keys.back();
    }

    // Takes in the file's text, or says why it cannot be used.
    Result<> parse(const QByteArray& text) {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return Failure(parseError.errorString().toStdString() + " at " +
                           lineAndColumn(text, parseError.offset));
        if (!doc.isObject())
            return Failure("its top level is not an object");
        others = doc.object();
        const QJsonValue machine = others.take(kMachine);
        if (!machine.isObject())
            return Failure("it has no \"HKEY_LOCAL_MACHINE\" object");

        const QJsonObject paths = machine.toObject();
        for (auto at = paths.begin(); at != paths.end(); ++at) {
            const QString where = QStringLiteral("key ") + quoted(at.key());
            if (!at.value().isObject())
                return Failure(where + QStringLiteral(" is not an object"));
            if (const Key* same = find(at.key()))
                return Failure(where + QStringLiteral(" is the same key as ") + quoted(same->path) +
                               QStringLiteral(" (letter case aside)"));
            Key key{at.key(), {}};
            const QJsonObject values = at.value().toObject();
            for (auto value = values.begin(); value != values.end(); ++value) {
                if (const Value* same = find(key, value.key()))
                    return Failure(where + QStringLiteral(" has the value ") + quoted(same->name) +
                                   QStringLiteral(" twice (letter case aside)"));
                key.values.push_back({value.key(), value.value()});
            }
            add(key.path).values = std::move(key.values);
        }
        return done();
    }

    // The file's text for the store as it is now; empty when it would be too large to be
    // read back, which would lose every key at the next start.
    QByteArray text() const {
        QJsonObject paths;
        for (const Key& key : keys) {
            QJsonObject values;
            for (const Value& value : key.values)
                values.insert(value.name, value.data);
            paths.insert(key.path, values);
        }
        QJsonObject top = others;
        top.insert(kMachine, paths);
        QByteArray text = QJsonDocument(top).toJson(QJsonDocument::Indented);
        if (text.size() > kMaxRegistryFile)
            text.clear();
        return text;
    }
};

// Reads the file as it is now into `store`, or says why it cannot be used. A missing file is
// an empty store.
Result<> readStore(const QString& file, Store& store) {
    const Result<QByteArray> text =
        readSmallFile(QFile::encodeName(file).toStdString(), kMaxRegistryFile);
    if (isMissing(text))
        return done();
    if (!text)
        return text.failure();
    return store.parse(*text);
}

// Takes the file's exclusive lock, waiting no longer than the deadline; a writer holds it
// only for one value's read-modify-write.
bool lockWithin(int fd, const QDeadlineTimer& deadline) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        // A filesystem that keeps no locks gets its writes unguarded, as it always had.
        if (errno != EWOULDBLOCK)
            return errno == ENOLCK || errno == EOPNOTSUPP;
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(kLockRetry);
    }
}

// Whether the open file is still the one at that path: a writer that held the lock renames
// its new file over the one it locked.
bool stillAt(int fd, const QByteArray& path) {
    struct stat locked {};
    struct stat named {};
    return ::fstat(fd, &locked) == 0 && ::stat(path.constData(), &named) == 0 &&
           locked.st_dev == named.st_dev && locked.st_ino == named.st_ino;
}

enum class Change { Made, None, Refused };

// One read-modify-write of the file under its lock: `change` works on a fresh reading of
// it, and only what it made is written. False when the file cannot be read, parsed or
// written, or `change` refused.
bool update(const QString& file, const std::function<Change(Store&)>& change) {
    const QByteArray path = QFile::encodeName(file);
    const QDeadlineTimer deadline(kLockWait);
    for (;;) {
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT)
                return false;
            // No file yet: the first write makes it, and of two writers making it at once the
            // second finds the first one's file and changes that.
            Store store;
            const Change made = change(store);
            if (made != Change::Made)
                return made == Change::None;
            const QByteArray text = store.text();
            if (text.isEmpty() || !makeDirectory(QFileInfo(file).absolutePath()))
                return false;
            const Result<> written = writeNewFile(file, text);
            if (written)
                return true;
            if (written.failure().code() != EEXIST || deadline.hasExpired())
                return false;
            continue;
        }
        // Closed, and so its lock let go of, when this attempt ends.
        const UniqueFd closer(fd);
        if (!lockWithin(fd, deadline))
            return false;
        if (!stillAt(fd, path)) {
            if (deadline.hasExpired())
                return false;
            continue;
        }
        Store store;
        if (const Result<QByteArray> read = readSmallFile(fd, kMaxRegistryFile);
            !read || !store.parse(*read))
            return false;
        const Change made = change(store);
        if (made != Change::Made)
            return made == Change::None;
        const QByteArray text = store.text();
        return !text.isEmpty() && writeWholeFile(file, text).ok();
    }
}

class JsonKey : public RegistryKey {
public:
    JsonKey(QString file, Store::Key key, bool writable)
        : file_(std::move(file)), key_(std::move(key)), writable_(writable) {}

    std::optional<QString> readString(const QString& name) const override {
        const auto* value = Store::find(key_, name);
        if (!value || !value->data.isString())
            return std::nullopt;
        return value->data.toString();
    }
    std::optional<std::uint32_t> readDword(const QString& name) const override {
        const auto* value = Store::find(key_, name);
        return value ? dwordOf(value->data) : std::nullopt;
    }
    bool writeString(const QString& name, const QString& value) override {
        return write(name, QJsonValue(value));
    }
    bool writeDword(const QString& name, std::uint32_t value) override {
        return write(name, QJsonValue(qint64(value)));
    }
    bool deleteValue(const QString& name) override {
        if (!writable_)
            return false;
        if (!Store::find(key_, name))
            return true;
        return change([&](Store::Key& key) {
            const QString folded = foldedName(name);
            const auto gone = std::erase_if(
                key.values, [&](const Store::Value& v) { return foldedName(v.name) == folded; });
            return gone ? Change::Made : Change::None;
        });
    }

private:
    // Changes the one value in the file as it is now; the key then shows what the file holds.
    bool write(const QString& name, const QJsonValue& data) {
        if (!writable_)
            return false;
        return change([&](Store::Key& key) {
            if (Store::Value* value = Store::find(key, name)) {
                // The start-up restore writes what is mostly there already: no need to touch
                // the disk for it.
                if (value->data == data)
                    return Change::None;
                value->data = data;
            } else {
                key.values.push_back({name, data});
            }
            return Change::Made;
        });
    }

    // Changes the key as the file holds it now; the key then shows what the file holds.
    bool change(const std::function<Change(Store::Key&)>& edit) {
        Store::Key now;
        const bool written = update(file_, [&](Store& store) {
            Store::Key* key = store.find(key_.path);
            // A key removed meanwhile is not made again by a change to its values.
            if (!key)
                return Change::Refused;
            const Change made = edit(*key);
            now = *key;
            return made;
        });
        if (written)
            key_ = std::move(now);
        return written;
    }

    QString file_;
    Store::Key key_;
    bool writable_;
};

} // namespace

JsonRegistry::JsonRegistry(QString path) : path_(std::move(path)) {
    Store store;
    if (const Result<> read = readStore(path_, store); !read)
        fault_.text =
            QStringLiteral("Cannot use the registry file \"%1\": %2").arg(path_, read.why());
}

JsonRegistry::~JsonRegistry() = default;

std::unique_ptr<RegistryKey> JsonRegistry::openKey(const QString& path, Access access) {
    Store store;
    if (!readStore(path_, store))
        return nullptr;
    Store::Key* key = store.find(path);
    if (!key || (access == Access::ReadWrite && !mayWrite(path_)))
        return nullptr;
    return std::make_unique<JsonKey>(path_, std::move(*key), access == Access::ReadWrite);
}

std::unique_ptr<RegistryKey> JsonRegistry::createKey(const QString& path) {
    if (!mayWrite(path_))
        return nullptr;
    // A damaged file makes no key, and is not locked or written for it either.
    Store store;
    if (!readStore(path_, store))
        return nullptr;
    Store::Key made;
    const bool there = update(path_, [&](Store& now) {
        if (Store::Key* key = now.find(path)) {
            made = *key;
            return Change::None;
        }
        made = now.add(path);
        return Change::Made;
    });
    if (!there)
        return nullptr;
    return std::make_unique<JsonKey>(path_, std::move(made), true);
}

QString registryFilePath() {
    const QString chosen = qEnvironmentVariable("NIMBACAST_REGISTRY");
    if (!chosen.isEmpty())
        return chosen;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME means nothing to rely on: it is ignored.
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/nimbacast/registry.json");
}

} // namespace platform
