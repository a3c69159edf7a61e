#include "files/unused_path.h"

#include "platform/fs/file_system.h"

namespace files {

core::Text UnusedFilePath(const core::Text& path) {
    core::Text candidate = path;
    for (int n = 1; plat::file_exists(candidate); ++n) candidate = core::NumberedFilePath(path, n);
    return candidate;
}

}  // namespace files
