#pragma once
// The per-user settings store: QSettings("Halvent", "Mervalon40") — the registry key
// "Software\Halvent\Mervalon40" on Windows, an INI file under the user's config folder on Linux.
// Booleans are stored as integers 0 or 1, texts as strings. Values are named by the keys of
// SettingsKeys.h.

#include "platform/SettingsKeys.h"

#include <QSettings>
#include <QString>
#include <memory>
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
    ~AppSettings();

    /// True when the store holds any value at all (the installation has written it).
    [[nodiscard]] bool exists() const;

    /// Reads a Boolean. Throws SettingsError "Failed to get data for '<name>'" when absent
    /// or not a number.
    [[nodiscard]] bool read(BoolKey key) const;

    /// Reads a text; an absent value reads as an empty text.
    [[nodiscard]] QString read(TextKey key) const;

    [[nodiscard]] bool contains(BoolKey key) const;
    [[nodiscard]] bool contains(TextKey key) const;

    /// Writes and flushes at once. Throws SettingsError "Failed to set data for '<name>'".
    /// Each write is judged on its own: a failed one leaves the store as it is on disk, and a
    /// later write succeeds once the store can be written again.
    void write(BoolKey key, bool value);
    void write(TextKey key, const QString& value);

  private:
    void store(std::string_view name, const QVariant& value);
    std::unique_ptr<QSettings> m_settings;
    bool m_failed = false;
};

} // namespace mervalon::platform
