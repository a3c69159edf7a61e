#pragma once
// Libraries loaded by file name at run time ("QXEnglishDll.dll",
// "\Windows\VornIO.dll"), with their exported functions bound by name.
#include <string>
#include <string_view>

namespace plat {

class Library {
  public:
    Library() = default;
    ~Library();
    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // A name with a folder is an instrument path; a bare name is looked up in
    // the program's folder, then "\FlashFX Disk\System\", then "\Windows".
    // In each place the literal name is tried first, then "X.so" for "X.dll".
    // Invalid with ERROR_MOD_NOT_FOUND (or ERROR_BAD_EXE_FORMAT for a file
    // that is not a library).
    static Library load(std::u16string_view name);
    static Library load(std::string_view name_utf8);

    explicit operator bool() const { return handle_ != nullptr; }
    // Null with ERROR_PROC_NOT_FOUND when the library does not export it.
    void* symbol(const char* name) const;
    template <class F>
    F* bind(const char* name) const {
        return reinterpret_cast<F*>(symbol(name));
    }
    void unload();

  private:
    void* handle_ = nullptr;
};

}  // namespace plat
