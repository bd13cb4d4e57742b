#pragma once
// The two run options chosen on the Options tab: what a faulty line does (error policy) and
// when the report is shown (report policy). Each is kept as three stored flags of which the
// program keeps at most one true, and every choice is written to the settings store at once.

#include "core/engine/ErrorPolicy.h"
#include "platform/AppSettings.h"

#include <array>
#include <optional>

namespace mervalon::app {

using ErrorPolicy = engine::ErrorPolicy;
enum class ReportPolicy { Always = 0, OnlyOnErrors = 1, Never = 2 };

/// Of three stored option values, the one a start selects: the last true one in order, as
/// selecting each true one in turn leaves only the last selected. None when none is true.
std::optional<int> lastTrueOption(const std::array<bool, 3>& values);

/// The values a group of three options stores when `selected` (0..2) is chosen.
std::array<bool, 3> exclusiveOption(int selected);

class RunOptions {
  public:
    explicit RunOptions(platform::AppSettings& settings);

    /// Writes er1, er2, er3 in that order (1 for the chosen one), then sets the flags the same
    /// way. Throws platform::SettingsError when a value cannot be written; the flags then keep
    /// the policy in force before, which is the one runs use.
    void selectErrorPolicy(ErrorPolicy policy);

    /// Writes rep1, rep2, rep3 likewise.
    void selectReportPolicy(ReportPolicy policy);

    /// None until one has been selected (a store where all three values are false).
    [[nodiscard]] std::optional<ErrorPolicy> errorPolicy() const;
    [[nodiscard]] std::optional<ReportPolicy> reportPolicy() const;

  private:
    void writeGroup(const std::array<platform::BoolKey, 3>& keys, std::array<bool, 3>& flags, int selected);

    platform::AppSettings& m_settings;
    std::array<bool, 3> m_errorFlags{};
    std::array<bool, 3> m_reportFlags{};
};

} // namespace mervalon::app
