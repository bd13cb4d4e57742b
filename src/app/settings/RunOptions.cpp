#include "app/RunOptions.h"

#include "app/MainWindowRules.h"

namespace mervalon::app {
namespace {

constexpr const char* kErrorNames[3] = {"er1", "er2", "er3"};
constexpr const char* kReportNames[3] = {"rep1", "rep2", "rep3"};

} // namespace

RunOptions::RunOptions(platform::AppSettings& settings) : m_settings(settings) {}

void RunOptions::selectErrorPolicy(ErrorPolicy policy)
{
    writeGroup(kErrorNames, m_errorFlags, static_cast<int>(policy));
}

void RunOptions::selectReportPolicy(ReportPolicy policy)
{
    writeGroup(kReportNames, m_reportFlags, static_cast<int>(policy));
}

std::optional<ErrorPolicy> RunOptions::errorPolicy() const
{
    const auto selected = lastTrueOption(m_errorFlags);
    return selected ? std::optional(static_cast<ErrorPolicy>(*selected)) : std::nullopt;
}

std::optional<ReportPolicy> RunOptions::reportPolicy() const
{
    const auto selected = lastTrueOption(m_reportFlags);
    return selected ? std::optional(static_cast<ReportPolicy>(*selected)) : std::nullopt;
}

void RunOptions::writeGroup(const char* const (&names)[3], std::array<bool, 3>& flags, int selected)
{
    const auto values = exclusiveOption(selected);
    for (std::size_t i = 0; i < 3; ++i) {
        m_settings.writeBool(QLatin1String(names[i]), values[i]);
        flags[i] = values[i];
    }
}

} // namespace mervalon::app
