#pragma once
// The per-user installation: a writable folder seeded from the shipped data, and the
// settings values an installer writes. Done once, the first time a program finds none.

#include "platform/AppSettings.h"

#include <QString>
#include <QStringList>
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
/// An existing installation is brought up to date (see upgradeInstallation): a shipped file the
/// user never changed gets this version's content; for one the user changed, `notices` (when
/// given) receives once a message saying where this version's file was put beside it.
/// Throws InstallationError with a message for the user when the installation is impossible.
QString ensureInstallation(AppSettings& settings, QStringList* notices = nullptr);

/// Brings an existing installation up to date with the shipped data (the manual and Active Help
/// follow the program's version without a word); returns the messages for the user (a changed
/// file kept, the new one put beside it; or why that could not be done).
QStringList upgradeInstallation(const QString& installDir);

/// The initial option values an installation writes (only those absent are written).
void writeInitialSettings(AppSettings& settings, const QString& installDir);

} // namespace mervalon::platform
