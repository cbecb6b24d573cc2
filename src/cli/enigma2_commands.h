#pragma once

#include <string>
#include <vector>

namespace torvane {

class EditSession;

// The edit line of the Enigma2 import, one step of the session:
//   import-e2 FOLDER [--merge] [--satellite POSITION ...] [--bouquet NAME ...]
// The preview's counts go to standard error. The reason the line cannot be carried out, or empty.
std::string RunEnigma2ImportLine(EditSession& session, const std::vector<std::string>& args);

} // namespace torvane
