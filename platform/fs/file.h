#pragma once
// Files on the instrument's volumes, opened by instrument path.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace plat {

enum class FileAccess : uint32_t { Read = 1, Write = 2, ReadWrite = 3 };

// How an open treats an existing or missing file.
enum class FileOpen {
    Existing,      // open; fails with ERROR_FILE_NOT_FOUND when missing
    CreateAlways,  // create, or truncate an existing file
    CreateNew,     // create; fails with ERROR_FILE_EXISTS when it exists
    OpenAlways,    // open, or create when missing
    TruncateExisting,
    Append,  // open or create; every write goes to the end
};

enum class SeekFrom { Begin, Current, End };

class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // An invalid File on failure, with the last error set.
    static File open(std::u16string_view path, FileAccess access, FileOpen how);
    static File open(std::string_view path_utf8, FileAccess access, FileOpen how);

    explicit operator bool() const { return fd_ >= 0; }
    // Bytes read (0 at the end of the file), or -1 with the last error set.
    int64_t read(std::span<std::byte> buffer);
    // Writes everything or fails (-1, ERROR_DISK_FULL / ERROR_WRITE_FAULT).
    int64_t write(std::span<const std::byte> data);
    int64_t write(std::string_view text);
    // The new position, or -1.
    int64_t seek(int64_t offset, SeekFrom from);
    int64_t size() const;
    // Ends the file at the current position.
    bool truncate_here();
    bool flush();
    void close();

  private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace plat
