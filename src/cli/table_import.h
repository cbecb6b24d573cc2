#pragma once

#include <string>
#include <vector>

#include "exchange/tp_table_file.h"

namespace torvane {

class Document;
class EditSession;

// The edit lines of the table import, each one step of the session:
//   import-tps TABLE SATNAME [--tolerance MHZ] [--delete-missing]
//   import-sat TABLE [POSITION]
// The preview's counts go to standard error. The reason the line cannot be carried out, or empty.
std::string RunTableImportLine(EditSession& session, const std::string& command, const std::vector<std::string>& args);

// The table file read with every reader this build has.
TableReadResult ReadCliTable(const std::string& path);
// The satellites.xml reader of this build, or nullptr.
SatellitesXmlReader CliSatellitesXmlReader();

} // namespace torvane
