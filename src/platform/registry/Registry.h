#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

// The machine registry under HKEY_LOCAL_MACHINE: keys named by their whole path
// ("Software\Microsoft\Windows\CurrentVersion"), matched without regard to letter case, each
// holding named string and 32-bit values (names also matched without regard to case).
//
// The program opens existing keys only, for reading and writing together, and closes them
// within one operation; the capture drivers open their own keys for reading; only the
// platform itself (the capture service installing its drivers' keys) creates keys.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // The value as the key held it when it was opened (or last written through it), or
    // nothing when it is absent or of the other type.
    virtual std::optional<QString> readString(const QString& name) const = 0;
    virtual std::optional<std::uint32_t> readDword(const QString& name) const = 0;
    // Writes (creating the value when needed); false when the store could not be written or
    // the key was opened for reading only.
    virtual bool writeString(const QString& name, const QString& value) = 0;
    virtual bool writeDword(const QString& name, std::uint32_t value) = 0;
    // Removes the value; true when it is gone (also when it was not there), false when the
    // store could not be written or the key was opened for reading only.
    virtual bool deleteValue(const QString& name) = 0;
};

class Registry {
public:
    enum class Access { Read, ReadWrite };

    virtual ~Registry() = default;
    // Opens an existing key; nothing when the key does not exist or, for reading and
    // writing, when the store may not be written (such a key counts as absent).
    virtual std::unique_ptr<RegistryKey> openKey(const QString& path,
                                                 Access access = Access::ReadWrite) = 0;
    // Opens a key, creating it (and nothing else) when it is missing; for the platform's own
    // installation of its keys. Nothing when the store may not be written.
    virtual std::unique_ptr<RegistryKey> createKey(const QString& path) = 0;
};

// Why a registry store could not be used, for the one report at start-up; empty when it
// could.
struct RegistryFault {
    QString text;
};

// The registry kept in one JSON file a person can read and prepare by hand:
//   {"HKEY_LOCAL_MACHINE": {"Software\\Microsoft\\...": {"ImageWidth": 320, "Name": "x"}}}
// A JSON number is a 32-bit value, a JSON string a string value.
//
// Nothing of the file is kept between two operations: every open reads it, and every write
// reads it again, changes the one value and replaces the file whole (a new file renamed over
// it), all under an exclusive flock() on the file, so that what others wrote meanwhile, by
// hand or through another program that keeps to the same lock, stays. A writer that finds,
// once it holds the lock, that the file at that path is no longer the one it locked, starts
// over on the new one. Reading takes no lock and needs read access only.
//
// A file that cannot be parsed counts as an empty store and is never overwritten; `fault`
// says why the first reading failed. A missing file is an empty store, made on the first
// write.
class JsonRegistry : public Registry {
public:
    explicit JsonRegistry(QString path);
    ~JsonRegistry() override;

    const QString& path() const { return path_; }
    const RegistryFault& fault() const { return fault_; }

    std::unique_ptr<RegistryKey> openKey(const QString& path,
                                         Access access = Access::ReadWrite) override;
    std::unique_ptr<RegistryKey> createKey(const QString& path) override;

private:
    QString path_;
    RegistryFault fault_;
};

// The registry file of this machine: NIMBACAST_REGISTRY when set and not empty, otherwise
// $XDG_CONFIG_HOME/nimbacast/registry.json (~/.config when XDG_CONFIG_HOME is not set or
// not an absolute path).
QString registryFilePath();

} // namespace platform
