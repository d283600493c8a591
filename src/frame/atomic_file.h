#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qev::frame {

// Replaces the file's content so that a crash, a power cut or a full disk leaves either the old
// file or the new one, never a mix: a temporary file in the same folder is written, flushed to
// disk and renamed over the old one. The folder is created when missing. Returns an error text,
// empty on success; on failure the old file is untouched.
std::string WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

} // namespace qev::frame
