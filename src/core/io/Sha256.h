#pragma once
// SHA-256 of a byte sequence, as lower-case hexadecimal: the checksums that tell a shipped file
// the user never touched from one the user changed.

#include <cstdint>
#include <string>
#include <string_view>

namespace mervalon::io {

std::string sha256Hex(std::string_view bytes);

} // namespace mervalon::io
