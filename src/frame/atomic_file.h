#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qev::frame {

// Replaces the file's content so that a crash, a power cut or a full disk leaves either the old
// file or the new one, never a mix: a temporary file in the same folder is written, flushed to
// disk and renamed over the old one. The folder is created when missing. Returns an error text,
// empty on success; on failure the old file is untouched.
//
// A link is written through: the temporary file goes beside the file the link leads to, which
// is replaced while the link stays. A file its owner made read-only is left as it is, logged
// once per run, and counts as done. Refused with an error: a folder, a FIFO or a device in the
// file's place, and a file that could not be read in this run (see IsUnreadable).
//
// Temporary files that an interrupted write of an earlier run left in the folder are removed.
std::string WriteFileAtomically(const std::filesystem::path &path, std::string_view content);

} // namespace qev::frame
