#pragma once
// The per-user installation: a writable folder seeded from the shipped data, and the
// settings values an installer writes. Done once, the first time a program finds none.

#include "platform/AppSettings.h"

#include <QString>

#include <stdexcept>

namespace mervalon::platform {

class InstallationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Where a new per-user installation goes: "<user data folder>/Halvent/Mervalon40".
QString defaultInstallDir();

/// The folder with the shipped data: $MERVALON_DATA_DIR, else "<program folder>/../share/mervalon",
/// else the build tree's data folder. Empty when none of them holds an installation.
QString shippedDataDir();

/// Returns InstallDir from the settings store. When the store records no installation, or the
/// recorded folder is gone, performs the per-user installation first: seeds the folder (never
/// replacing a user's files), writes `installpath` and every initial option value that is absent.
/// Throws InstallationError with a message for the user when that is impossible. An existing
/// installation gets the shipped help pages it lacks ("activehelp" and "help"), none replaced.
QString ensureInstallation(AppSettings& settings);

/// The initial option values an installation writes (only those absent are written).
void writeInitialSettings(AppSettings& settings, const QString& installDir);

} // namespace mervalon::platform
