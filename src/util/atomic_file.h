#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace torvane {

// Replaces the file at path with bytes so that the path always holds either the old content or the
// whole new one. The bytes go to a temporary file in the same folder, are flushed to the disk and
// only then renamed over the target. On any failure the target is untouched, the temporary file is
// removed and false is returned. An existing target keeps its permission bits, and one without any
// write permission (read-only) is refused; a symbolic link is followed, so the file it points to is replaced and the link stays. After a successful write the
// temporary files that killed saves of the same target left behind (".NAME.tmpPID_N" whose process
// is gone) are removed. path is UTF-8.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// True when path (UTF-8; a symbolic link is followed) names an existing file without any write
// permission: WriteFileAtomically refuses to replace it.
bool IsReadOnlyFile(const std::string& path);

} // namespace torvane
