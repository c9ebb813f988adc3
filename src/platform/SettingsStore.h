#pragma once

// The per-user settings store: text values addressed by section and key, under the application
// name "Tarnwick". The options are read from it once at start-up and written once at shut-down.

#include <map>
#include <memory>
#include <string>
#include <utility>

class QSettings;

namespace tarnwick {

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultValue when the key is absent.
    virtual std::string Get(
        const std::string& section, const std::string& key, const std::string& defaultValue) const = 0;
    virtual void Save(const std::string& section, const std::string& key, const std::string& value) = 0;
    // Makes what was saved durable; false with a reason when it could not be written.
    virtual bool Sync(std::string& error)
    {
        error.clear();
        return true;
    }
};

// The store as an INI file. Values are kept exactly: blanks at either end, quotes, ";", ",", "=",
// "@", backslashes, line breaks and any valid UTF-8 text come back as they were saved.
class IniSettingsStore final : public SettingsStore
{
public:
    // The user's store: Tarnwick.ini directly in the user's configuration folder
    // ($XDG_CONFIG_HOME, normally ~/.config).
    IniSettingsStore();
    // A store in the given file (tests, or another location).
    explicit IniSettingsStore(const std::string& filePath);
    // Writes what was saved to the file.
    ~IniSettingsStore() override;
    IniSettingsStore(const IniSettingsStore&) = delete;
    IniSettingsStore& operator=(const IniSettingsStore&) = delete;

    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue) const override;
    void Save(const std::string& section, const std::string& key, const std::string& value) override;

    // Writes what was saved to the file now; false when the file could not be written.
    bool Sync();
    bool Sync(std::string& error) override;
    // The full path of the file.
    std::string FileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

// A store in memory, for tests and for runs that must leave the user's file alone.
class MemorySettingsStore final : public SettingsStore
{
public:
    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue) const override
    {
        const auto found = m_values.find({section, key});
        return found == m_values.end() ? defaultValue : found->second;
    }
    void Save(const std::string& section, const std::string& key, const std::string& value) override
    {
        m_values[{section, key}] = value;
    }

    bool Contains(const std::string& section, const std::string& key) const
    {
        return m_values.contains({section, key});
    }
    std::size_t Size() const { return m_values.size(); }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

} // namespace tarnwick
