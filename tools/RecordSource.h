#pragma once
// Readable sources of the shipped records: "field = value" lines, "#" comments.
// A value in double quotes keeps its blanks; \t, \" and \\ are its escapes.

#include "core/config/Configuration.h"
#include "core/formats/FormatDefinition.h"

#include <map>
#include <string>

namespace mervalon::tools {

using FieldValues = std::map<std::string, std::string>;

/// Parses the text. Throws std::runtime_error naming the line on a malformed line.
FieldValues parseRecordSource(const std::string& text);

/// Builds the record; every field not named is zero or empty. Throws std::runtime_error on an
/// unknown field name or a value that is not of the field's type.
formats::FormatDefinition formatFromSource(const FieldValues& values);
config::Configuration configurationFromSource(const FieldValues& values);

} // namespace mervalon::tools
