#pragma once

#include <optional>
#include <string_view>

#include "schema/node_schema.h"

namespace torvane {

class UserPrompts;

// Parses one declaration of a template block (the text between two ';'): type word, identifier
// with an optional bit width or element count, optional annotation. The result has no position
// yet (bitOffset and wordIndex 0). Nothing when the declaration is malformed. A malformed
// attribute shows "%s error" through prompts and leaves the remaining attributes unread.
std::optional<TemplateField> ParseDeclaration(std::string_view piece, UserPrompts& prompts);

} // namespace torvane
