#pragma once
// Crash-safe saving: the data goes to a temporary file beside the target,
// which is flushed and then renamed over the target, and the folder is
// flushed after the rename, so that a crash or a power loss at any moment
// leaves either the old or the new file, and a save reported done stays.
// Every save first removes what killed saves of the same target left.
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace plat {

class AtomicFile {
  public:
    // Removes killed saves' leftovers of the target, then opens the
    // temporary file; check with operator bool.
    explicit AtomicFile(const std::filesystem::path& host_target);
    static AtomicFile for_instrument_path(std::u16string_view path);
    ~AtomicFile();  // discards the temporary file unless committed
    AtomicFile(AtomicFile&&) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    AtomicFile& operator=(AtomicFile&&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    bool write(std::span<const std::byte> data);
    bool write(std::string_view text);
    // Flushes the data, then renames the file over the target.
    bool commit();

  private:
    AtomicFile() = default;
    void discard();
    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    bool failed_ = false;
};

// Removes the temporary files killed saves of the target left behind (saves
// still running in a live process keep theirs).
void remove_stale_temporaries(const std::filesystem::path& host_target);
// The same for every target in the folder and its subfolders, also targets
// no later save names again (files named by the time of their save).
void remove_stale_temporaries_below(const std::filesystem::path& host_folder);

bool atomic_save(const std::filesystem::path& host_target, std::span<const std::byte> data);
bool atomic_save(std::u16string_view instrument_path, std::span<const std::byte> data);
bool atomic_save(std::u16string_view instrument_path, std::string_view text);

}  // namespace plat
