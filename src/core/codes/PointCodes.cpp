#include "core/codes/PointCodes.h"

namespace mervalon::codes {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsComment(const CodeLibrary& library, std::string_view token)
{
    const std::string upper = upperCased(token);
    for (const std::string& word : library.words(Control::Comment)) {
        if (upper.compare(0, word.size(), word) == 0) {
            return true;
        }
    }
    return false;
}

FeatureUse featureOf(const CodeLibrary& library, std::string_view token)
{
    FeatureUse use;
    use.token = std::string(token);
    const CodeMatch match = library.find(token);
    if (match.exact) {
        use.row = match.row;
        use.feature = match.row->code;
        return use;
    }
    std::size_t digits = token.size();
    while (digits > 0 && isDigit(token[digits - 1])) {
        --digits;
    }
    if (digits > 0 && digits < token.size()) {
        const CodeMatch base = library.find(token.substr(0, digits));
        if (base.row != nullptr && !base.byDefault) {
            use.row = base.row;
            use.feature = upperCased(token.substr(0, digits));
            use.instance = std::string(token.substr(digits));
            return use;
        }
    }
    use.row = match.row;
    use.feature = upperCased(token);
    use.unknown = match.row == nullptr || match.byDefault;
    return use;
}

} // namespace

PointCodes readPointCodes(const CodeLibrary& library, std::string_view text)
{
    PointCodes codes;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i == start) {
            break;
        }
        const std::string_view token = text.substr(start, i - start);
        if (startsComment(library, token)) {
            break;
        }
        if (const auto control = library.controlOf(token)) {
            if (codes.features.empty()) {
                codes.strayControls.emplace_back(token);
            } else {
                codes.features.back().controls |= static_cast<std::uint8_t>(1U << static_cast<unsigned>(*control));
            }
            continue;
        }
        codes.features.push_back(featureOf(library, token));
    }
    return codes;
}

} // namespace mervalon::codes
