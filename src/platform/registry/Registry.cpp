#include "platform/registry/Registry.h"

#include "platform/files/SmallFile.h"
#include "platform/files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cerrno>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

const QString kMachine = QStringLiteral("HKEY_LOCAL_MACHINE");
// Far more than the few keys a machine keeps for the program; read and write no more.
constexpr qint64 kMaxRegistryFile = 4 << 20;

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

} // namespace

struct JsonRegistry::Store {
    struct Value {
        QString name; // as first written
        QJsonValue data;
    };
    struct Key {
        QString path; // as first written
        std::vector<Value> values;
    };

    QString file;
    // Members of the file's top level other than the machine's keys, kept as they were.
    QJsonObject others;
    std::vector<Key> keys;
    QHash<QString, qsizetype> index; // folded path to position in `keys`
    bool damaged = false;

    std::optional<qsizetype> find(const QString& path) const {
        const auto at = index.constFind(foldedPath(path));
        return at == index.constEnd() ? std::nullopt : std::optional(*at);
    }

    // A value of a key, const or not.
    template <typename K> static auto* find(K& key, const QString& name) {
        const QString folded = foldedName(name);
        for (auto& value : key.values)
            if (foldedName(value.name) == folded)
                return &value;
        return static_cast<decltype(&key.values.front())>(nullptr);
    }

    // Reads the file; returns why it cannot be used, or an empty text. A missing file is an
    // empty store.
    std::string load() {
        QByteArray text;
        bool missing = false;
        if (std::string fault = readSmallFile(QFile::encodeName(file).toStdString(),
                                              kMaxRegistryFile, text, &missing);
            !fault.empty())
            return missing ? std::string() : fault;

        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return parseError.errorString().toStdString() + " at " +
                   lineAndColumn(text, parseError.offset);
        if (!doc.isObject())
            return "its top level is not an object";
        others = doc.object();
        const QJsonValue machine = others.take(kMachine);
        if (!machine.isObject())
            return "it has no \"HKEY_LOCAL_MACHINE\" object";

        const QJsonObject paths = machine.toObject();
        for (auto at = paths.begin(); at != paths.end(); ++at) {
            const QString where = QStringLiteral("key ") + quoted(at.key());
            if (!at.value().isObject())
                return (where + QStringLiteral(" is not an object")).toStdString();
            if (const auto same = find(at.key()))
                return (where + QStringLiteral(" is the same key as ") + quoted(keys[*same].path) +
                        QStringLiteral(" (letter case aside)"))
                    .toStdString();
            Key key{at.key(), {}};
            const QJsonObject values = at.value().toObject();
            for (auto value = values.begin(); value != values.end(); ++value) {
                if (const Value* same = find(key, value.key()))
                    return (where + QStringLiteral(" has the value ") + quoted(same->name) +
                            QStringLiteral(" twice (letter case aside)"))
                        .toStdString();
                key.values.push_back({value.key(), value.value()});
            }
            index.insert(foldedPath(key.path), qsizetype(keys.size()));
            keys.push_back(std::move(key));
        }
        return {};
    }

    // Replaces the file with the store as it is now; false when it could not be written
    // whole.
    bool save() const {
        QJsonObject paths;
        for (const Key& key : keys) {
            QJsonObject values;
            for (const Value& value : key.values)
                values.insert(value.name, value.data);
            paths.insert(key.path, values);
        }
        QJsonObject top = others;
        top.insert(kMachine, paths);
        const QByteArray text = QJsonDocument(top).toJson(QJsonDocument::Indented);
        // A file too large to be read back would lose every key at the next start.
        if (text.size() > kMaxRegistryFile)
            return false;
        return makeDirectory(QFileInfo(file).absolutePath()) && writeWholeFile(file, text);
    }

    // Sets a value and writes the file; on failure the store stays as the file is.
    bool write(qsizetype at, const QString& name, const QJsonValue& data) {
        std::vector<Value>& values = keys[at].values;
        if (Value* value = find(keys[at], name)) {
            // The start-up restore writes what is mostly there already: no need to touch
            // the disk for it.
            if (value->data == data)
                return true;
            const QJsonValue before = value->data;
            value->data = data;
            if (save())
                return true;
            value->data = before;
            return false;
        }
        values.push_back({name, data});
        if (save())
            return true;
        values.pop_back();
        return false;
    }

    // Adds a key and writes the file; on failure the store stays as the file is.
    std::optional<qsizetype> create(const QString& path) {
        const qsizetype at = qsizetype(keys.size());
        keys.push_back({path, {}});
        index.insert(foldedPath(path), at);
        if (save())
            return at;
        index.remove(foldedPath(path));
        keys.pop_back();
        return std::nullopt;
    }
};

namespace {

class JsonKey : public RegistryKey {
public:
    JsonKey(std::shared_ptr<JsonRegistry::Store> store, qsizetype at)
        : store_(std::move(store)), at_(at) {}

    std::optional<QString> readString(const QString& name) const override {
        const auto* value = JsonRegistry::Store::find(store_->keys[at_], name);
        if (!value || !value->data.isString())
            return std::nullopt;
        return value->data.toString();
    }
    std::optional<std::uint32_t> readDword(const QString& name) const override {
        const auto* value = JsonRegistry::Store::find(store_->keys[at_], name);
        return value ? dwordOf(value->data) : std::nullopt;
    }
    bool writeString(const QString& name, const QString& value) override {
        return store_->write(at_, name, QJsonValue(value));
    }
    bool writeDword(const QString& name, std::uint32_t value) override {
        return store_->write(at_, name, QJsonValue(qint64(value)));
    }

private:
    std::shared_ptr<JsonRegistry::Store> store_;
    qsizetype at_;
};

} // namespace

JsonRegistry::JsonRegistry(QString path)
    : path_(std::move(path)), store_(std::make_shared<Store>()) {
    store_->file = path_;
    if (const std::string fault = store_->load(); !fault.empty()) {
        // Nothing of a file that could not be read is used, and nothing replaces it.
        fault_.text = QStringLiteral("Cannot use the registry file \"%1\": %2")
                          .arg(path_, QString::fromStdString(fault));
        store_->keys.clear();
        store_->index.clear();
        store_->damaged = true;
    }
}

JsonRegistry::~JsonRegistry() = default;

std::unique_ptr<RegistryKey> JsonRegistry::openKey(const QString& path) {
    if (store_->damaged)
        return nullptr;
    const auto at = store_->find(path);
    if (!at || !mayWrite(path_))
        return nullptr;
    return std::make_unique<JsonKey>(store_, *at);
}

std::unique_ptr<RegistryKey> JsonRegistry::createKey(const QString& path) {
    if (store_->damaged || !mayWrite(path_))
        return nullptr;
    std::optional<qsizetype> at = store_->find(path);
    if (!at)
        at = store_->create(path);
    if (!at)
        return nullptr;
    return std::make_unique<JsonKey>(store_, *at);
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
