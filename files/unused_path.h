#pragma once
// Names made from the time never replace a file: the path itself when it
// names no file, else its first variant "-1", "-2", ... before the
// extension that names none.
#include "core/text.h"

namespace files {
core::Text UnusedFilePath(const core::Text& path);
}  // namespace files
