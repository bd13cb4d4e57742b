#pragma once
// The per-user settings store: QSettings("Halvent", "Mervalon40") — the registry key
// "Software\Halvent\Mervalon40" on Windows, an INI file under the user's config folder on Linux.
// Booleans are stored as integers 0 or 1, texts as strings.

#include <QSettings>
#include <QString>

#include <stdexcept>

namespace mervalon::platform {

/// A settings value that cannot be read or written; what() is the message shown to the user.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class AppSettings {
public:
    static constexpr const char* kOrganization = "Halvent";
    static constexpr const char* kApplication = "Mervalon40";

    AppSettings();

    /// True when the store holds any value at all (the installation has written it).
    [[nodiscard]] bool exists() const;

    /// Reads a Boolean. Throws SettingsError "Failed to get data for '<name>'" when absent
    /// or not a number.
    [[nodiscard]] bool readBool(const QString& name) const;

    /// Reads a text; an absent value reads as an empty text.
    [[nodiscard]] QString readString(const QString& name) const;

    [[nodiscard]] bool contains(const QString& name) const;

    /// Writes and flushes at once. Throws SettingsError "Failed to set data for '<name>'".
    void writeBool(const QString& name, bool value);
    void writeString(const QString& name, const QString& value);

private:
    void flush(const QString& name);
    QSettings m_settings;
};

} // namespace mervalon::platform
