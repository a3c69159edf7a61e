#pragma once
// Small wrappers over the platform registry for the settings store:
// `CRegistry` opens keys, `CRegKey` is one open key, `CRegValue` one value
// read from or written to a key. Every object they hand out is new and owned
// by the caller; every failure of the registry becomes "nothing" or false.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text.h"
#include "platform/registry/registry.h"

class CRegValue {
  public:
    CRegValue(std::u16string_view name, const plat::RegKey& key, uint32_t type,
              std::vector<uint8_t> data);
    virtual ~CRegValue() = default;

    virtual uint32_t GetSize() const { return uint32_t(data_.size()); }
    virtual const uint8_t* GetData() const { return data_.data(); }
    // The first 32-bit word of the data; 0 when the data is shorter.
    virtual uint32_t GetDword() const;
    virtual bool IsBinary() const { return type_ == plat::REG_BINARY; }
    virtual bool IsDword() const { return type_ == plat::REG_DWORD; }
    virtual bool IsString() const { return type_ == plat::REG_SZ; }

    uint32_t GetType() const { return type_; }
    const core::Text& GetName() const { return name_; }
    // The key the value was read from or written to (not owned).
    const plat::RegKey& GetKey() const { return key_; }

    // The data as 8-bit text: one character per byte, up to the first zero
    // byte or the end of the data.
    core::Text GetNarrowText() const;
    // A string value as wide text, up to the first zero or the end of the
    // data; any other type as 8-bit text.
    core::Text GetText() const;

  private:
    core::Text name_;
    plat::RegKey key_;
    uint32_t type_;
    std::vector<uint8_t> data_;
};

class CRegKey {
  public:
    explicit CRegKey(plat::RegKey key) : key_(std::move(key)) {}
    // Closes the key.
    virtual ~CRegKey();
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // The name of the subkey at the index; nothing past the end.
    virtual std::optional<core::Text> EnumSubKey(uint32_t index) const;
    // 0 when the key cannot be asked.
    virtual uint32_t GetSubKeyCount() const;
    virtual bool SetValue(std::u16string_view name, uint32_t type, const void* data,
                          uint32_t size) const;
    // REG_BINARY stores each character's low 8 bits and one zero byte; any
    // other type stores the wide characters with their zero terminator.
    virtual bool SetString(std::u16string_view name, uint32_t type, std::u16string_view text) const;
    virtual uint32_t GetValueCount() const;
    // Writes the value; with `keep`, also returns it as an object.
    virtual std::unique_ptr<CRegValue> CreateValue(std::u16string_view name, uint32_t type,
                                                   uint32_t size, const void* data,
                                                   bool keep) const;
    // The value at the index with all of its data; nothing past the end.
    virtual std::unique_ptr<CRegValue> EnumValue(uint32_t index) const;
    // Nothing when the value is missing.
    virtual std::unique_ptr<CRegValue> QueryValue(std::u16string_view name) const;
    virtual std::unique_ptr<CRegKey> OpenSubKey(std::u16string_view name, bool create) const;
    // Deletes the value of that name from this key; a failure is ignored.
    virtual void DeleteValue(const CRegValue& value) const;
    // Deletes the subkey with everything below it.
    bool DeleteSubKey(std::u16string_view name) const;

    const plat::RegKey& Handle() const { return key_; }

  private:
    plat::RegKey key_;
};

class CRegistry {
  public:
    virtual ~CRegistry() = default;
    // With `create`, every missing level of the path is made.
    virtual std::unique_ptr<CRegKey> OpenKey(const plat::RegKey& root, std::u16string_view path,
                                             bool create) const;
    // Whether the key has a subkey of exactly that name (compared as the
    // registry compares names, without regard to case).
    virtual bool KeyExists(const plat::RegKey& key, std::u16string_view name) const;
};
