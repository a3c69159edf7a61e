#pragma once
// Folders, attributes, copy/move/delete and folder listings of the
// instrument's volumes, all by instrument path.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// Attribute bits; their values cross module boundaries.
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// File times are 100-nanosecond ticks since 1601-01-01 UTC.
using FileTime = uint64_t;

// INVALID_FILE_ATTRIBUTES when the entry does not exist. A name that starts
// with a dot is hidden; a file without write permission is read-only.
uint32_t file_attributes(std::u16string_view path);
// Only the read-only bit can be changed on the host.
bool set_file_attributes(std::u16string_view path, uint32_t attributes);
bool file_exists(std::u16string_view path);
std::optional<FileTime> last_write_time(std::u16string_view path);
bool set_last_write_time(std::u16string_view path, FileTime time);

bool create_directory(std::u16string_view path);  // the parent must exist
bool remove_directory(std::u16string_view path);  // only an empty folder
bool delete_file(std::u16string_view path);
// Copies contents and last-write time. With fail_if_exists an existing
// target gives ERROR_FILE_EXISTS; otherwise it is replaced atomically.
bool copy_file(std::u16string_view from, std::u16string_view to, bool fail_if_exists);
// Files and folders; an existing target gives ERROR_ALREADY_EXISTS.
bool move_file(std::u16string_view from, std::u16string_view to);

struct FindData {
    std::u16string name;
    uint32_t attributes = 0;
    uint64_t size = 0;
    FileTime last_write = 0;
};

// '*' and '?' wildcards, case-insensitive; "*.*" matches every name.
bool wildcard_match(std::u16string_view pattern, std::u16string_view name);

// A listing of the entries of one folder that match a wildcard pattern
// ("\FlashFX Disk\My Setups\*.stp"), in name order.
class FindFile {
  public:
    FindFile() = default;
    ~FindFile();
    FindFile(FindFile&&) noexcept;
    FindFile& operator=(FindFile&&) noexcept;

    // Invalid with ERROR_PATH_NOT_FOUND for a missing folder or
    // ERROR_FILE_NOT_FOUND when nothing matches; else `first` holds the
    // first entry.
    static FindFile first(std::u16string_view pattern, FindData& first);
    explicit operator bool() const { return state_ != nullptr; }
    // False with ERROR_NO_MORE_FILES after the last entry.
    bool next(FindData& out);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Volume space from the host file system under the device root. A volume
// whose folder is missing ("\Hard Disk" without USB storage) fails with
// ERROR_PATH_NOT_FOUND.
struct DiskSpace {
    uint64_t free_to_caller = 0;
    uint64_t total = 0;
    uint64_t total_free = 0;
};
bool disk_free_space(std::u16string_view path, DiskSpace& out);

// The memory status record: eight 32-bit words in this order.
struct MemoryStatus {
    uint32_t length = sizeof(MemoryStatus);
    uint32_t memory_load = 0;  // percent of physical memory in use
    uint32_t total_phys = 0;
    uint32_t avail_phys = 0;
    uint32_t total_page_file = 0;
    uint32_t avail_page_file = 0;
    uint32_t total_virtual = 0;
    uint32_t avail_virtual = 0;
};
static_assert(sizeof(MemoryStatus) == 32);
// Host figures above 4 GB are reported as 4 GB - 1, as a 32-bit caller sees them.
MemoryStatus global_memory_status();

}  // namespace plat
