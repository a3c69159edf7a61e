#pragma once
#include <filesystem>
#include <string_view>

namespace core {

// Replaces `target` with `bytes` atomically: a temporary file beside it is
// written and flushed, then renamed over it. False when any step fails.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace core
