#include "platform/module/library.h"

#include <dlfcn.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "platform/fs/device_path.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/process/process.h"
#include "platform/text/utf.h"

namespace plat {

namespace fs = std::filesystem;

namespace {

// The literal name, then "X.so" for "X.dll".
std::vector<std::u16string> spellings(std::u16string_view name) {
    std::vector<std::u16string> names{std::u16string(name)};
    if (name.size() > 4 && equals_ignore_case(name.substr(name.size() - 4), u".dll"))
        names.push_back(std::u16string(name.substr(0, name.size() - 4)) + u".so");
    return names;
}

std::u16string program_folder() {
    std::u16string path = program_path();
    size_t cut = path.find_last_of(u'\\');
    return cut == std::u16string::npos ? std::u16string(u"\\") : path.substr(0, cut + 1);
}

}  // namespace

Library::~Library() {
    unload();
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        unload();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Library Library::load(std::u16string_view name) {
    std::vector<std::u16string> folders;
    if (name.find_first_of(u"\\/") != std::u16string_view::npos)
        folders.push_back(u"");
    else
        folders = {program_folder(), u"\\FlashFX Disk\\System\\", u"\\Windows\\"};
    uint32_t error = ERROR_MOD_NOT_FOUND;
    for (const auto& folder : folders) {
        for (const auto& spelling : spellings(name)) {
            auto host = host_path(folder + spelling);
            std::error_code ec;
            if (!host || !fs::is_regular_file(*host, ec)) continue;
            if (void* handle = ::dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL)) {
                Library library;
                library.handle_ = handle;
                return library;
            }
            error = ERROR_BAD_EXE_FORMAT;  // there, but not a library we can load
        }
    }
    set_last_error(error);
    return Library();
}

Library Library::load(std::string_view name_utf8) {
    return load(from_utf8(name_utf8));
}

void* Library::symbol(const char* name) const {
    if (!handle_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* address = ::dlsym(handle_, name);
    if (!address) set_last_error(ERROR_PROC_NOT_FOUND);
    return address;
}

void Library::unload() {
    if (handle_) ::dlclose(std::exchange(handle_, nullptr));
}

}  // namespace plat
