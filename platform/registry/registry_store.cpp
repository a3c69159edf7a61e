#include "platform/registry/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/fs/atomic_save.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"

namespace plat::detail {

namespace fs = std::filesystem;

namespace {

fs::path registry_file(const fs::path& root) {
    return root / "registry.txt";
}
fs::path factory_file(const fs::path& root) {
    return root / "registry.factory";
}
// The first free name of "registry.bad", "registry.bad.1", "registry.bad.2",
// ...: every damaged file is kept.
fs::path bad_file(const fs::path& root) {
    std::error_code ec;
    fs::path path = root / "registry.bad";
    for (int n = 1; fs::exists(fs::symlink_status(path, ec)); ++n)
        path = root / ("registry.bad." + std::to_string(n));
    return path;
}

// Holds the cross-process writer lock while alive.
class WriterLock {
  public:
    explicit WriterLock(const fs::path& root) {
        std::error_code ec;
        fs::create_directories(root / "run", ec);
        fd_ = ::open((root / "run" / "registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~WriterLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

  private:
    int fd_ = -1;
};

std::string read_all(int fd) {
    std::string text;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

bool save_tree(const fs::path& root, const RegNode& tree, uint64_t generation) {
    std::string text = serialize_registry(tree, generation);
    return atomic_save(registry_file(root), std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace

RegistryStore& RegistryStore::instance() {
    static RegistryStore store;
    return store;
}

namespace {

RegNode read_factory(const fs::path& root) {
    std::ifstream in(factory_file(root), std::ios::binary);
    if (in) {
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (auto tree = parse_registry(text.str(), nullptr, &error)) return std::move(*tree);
        std::fprintf(stderr, "registry: the factory registry %s is damaged (%s); starting empty\n",
                     factory_file(root).c_str(), error.c_str());
    }
    return empty_registry();
}

}  // namespace

void RegistryStore::load_factory() {
    tree_ = read_factory(root_);
}

RegNode RegistryStore::factory() {
    return read_factory(device_root());
}

// Under the writer lock: keeps the damaged file aside and puts the factory
// registry in its place.
void RegistryStore::repair() {
    std::error_code ec;
    fs::rename(registry_file(root_), bad_file(root_), ec);
    load_factory();
    uint64_t generation = loaded_.generation + 1;
    save_tree(root_, tree_, generation);
    loaded_ = Loaded{};  // the next refresh takes the saved file
}

void RegistryStore::refresh(bool locked) {
    fs::path root = device_root();
    if (root != root_) {
        root_ = root;
        loaded_ = Loaded{};
    }
    int fd = ::open(registry_file(root_).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // No file yet: the factory registry stands until the first change.
        if (!loaded_.valid || loaded_.exists) {
            load_factory();
            loaded_ = Loaded{};
            loaded_.valid = true;
        }
        return;
    }
    struct stat st {};
    ::fstat(fd, &st);
    char head[64];
    ssize_t n = ::pread(fd, head, sizeof head, 0);
    auto generation = registry_generation(std::string_view(head, n > 0 ? size_t(n) : 0));
    if (loaded_.valid && loaded_.exists && generation && *generation == loaded_.generation &&
        st.st_dev == loaded_.dev && st.st_ino == loaded_.ino && st.st_size == loaded_.size) {
        ::close(fd);
        return;
    }
    std::string text = read_all(fd);
    ::close(fd);
    std::string error;
    uint64_t parsed_generation = 0;
    if (auto tree = parse_registry(text, &parsed_generation, &error)) {
        tree_ = std::move(*tree);
        loaded_ = Loaded{true, true, st.st_dev, st.st_ino, st.st_size, parsed_generation};
        return;
    }
    if (!locked) {
        WriterLock lock(root_);
        refresh(true);  // another process may have mended it meanwhile
        return;
    }
    std::fprintf(stderr,
                 "registry: %s is damaged (%s); kept as %s, the factory registry takes its place\n",
                 registry_file(root_).c_str(), error.c_str(), bad_file(root_).c_str());
    repair();
    refresh(true);
}

uint32_t RegistryStore::read(const std::function<uint32_t(const RegNode&)>& f) {
    std::lock_guard guard(mutex_);
    refresh(false);
    return f(tree_);
}

uint32_t RegistryStore::write(const std::function<uint32_t(RegNode&, bool& changed)>& f) {
    bool saved = false;
    {
        std::lock_guard guard(mutex_);
        WriterLock lock(device_root());
        refresh(true);
        RegNode before = tree_.clone();
        bool changed = false;
        uint32_t result = f(tree_, changed);
        if (result != ERROR_SUCCESS || !changed) return result;
        saved = save_tree(root_, tree_, loaded_.generation + 1);
        if (!saved) {
            tree_ = std::move(before);
        } else {
            struct stat st {};
            if (::stat(registry_file(root_).c_str(), &st) == 0)
                loaded_ =
                    Loaded{true, true, st.st_dev, st.st_ino, st.st_size, loaded_.generation + 1};
            else
                loaded_.valid = false;
        }
    }
    std::function<void(bool)> observer;
    {
        std::lock_guard guard(observer_mutex_);
        observer = observer_;
    }
    if (observer) observer(saved);
    return saved ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

void RegistryStore::set_save_observer(std::function<void(bool written)> observer) {
    std::lock_guard guard(observer_mutex_);
    observer_ = std::move(observer);
}

}  // namespace plat::detail
