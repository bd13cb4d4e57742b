#include "app/settings/RunOptions.h"

namespace mervalon::app {

std::optional<int> lastTrueOption(const std::array<bool, 3>& values)
{
    for (int i = 2; i >= 0; --i) {
        if (values[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return std::nullopt;
}

std::array<bool, 3> exclusiveOption(int selected)
{
    return {selected == 0, selected == 1, selected == 2};
}

RunOptions::RunOptions(platform::AppSettings& settings) : m_settings(settings) {}

void RunOptions::selectErrorPolicy(ErrorPolicy policy)
{
    writeGroup(platform::keys::errorPolicy, m_errorFlags, static_cast<int>(policy));
}

void RunOptions::selectReportPolicy(ReportPolicy policy)
{
    writeGroup(platform::keys::reportPolicy, m_reportFlags, static_cast<int>(policy));
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

void RunOptions::writeGroup(const std::array<platform::BoolKey, 3>& keys, std::array<bool, 3>& flags, int selected)
{
    const auto values = exclusiveOption(selected);
    for (std::size_t i = 0; i < 3; ++i) {
        m_settings.write(keys[i], values[i]);
    }
    flags = values;
}

} // namespace mervalon::app
