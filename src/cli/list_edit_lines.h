#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

namespace torvane {

class Document;

// The edit script's lines between lists, each run inside one step of the session:
//   apply-order REF [--favorites] [--names]   the order (and favourite groups, names) of REF
//   import-csv FILE.csv                       names, list values and order from a CSV file
// Their summaries go to standard error. False, with the reason in error, when the line cannot be
// carried out (nothing is changed then).
bool IsListEditLine(const std::string& command);
bool RunListEditLine(CliContext& context, Document& document, const std::string& command,
                     const std::vector<std::string>& args, std::string& error);

} // namespace torvane
