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

class RunOptions {
public:
    explicit RunOptions(platform::AppSettings& settings);

    /// Writes er1, er2, er3 in that order (1 for the chosen one) and sets the flags the same way.
    /// Throws platform::SettingsError when a value cannot be written; the flags written before
    /// the failure stay written.
    void selectErrorPolicy(ErrorPolicy policy);

    /// Writes rep1, rep2, rep3 likewise.
    void selectReportPolicy(ReportPolicy policy);

    /// None until one has been selected (a store where all three values are false).
    [[nodiscard]] std::optional<ErrorPolicy> errorPolicy() const;
    [[nodiscard]] std::optional<ReportPolicy> reportPolicy() const;

private:
    void writeGroup(const char* const (&names)[3], std::array<bool, 3>& flags, int selected);

    platform::AppSettings& m_settings;
    std::array<bool, 3> m_errorFlags{};
    std::array<bool, 3> m_reportFlags{};
};

} // namespace mervalon::app
