#include "core/settings/registry_access.h"

#include <cstring>

#include "platform/kernel/errors.h"
#include "platform/text/utf.h"

// ---- CRegValue ----

CRegValue::CRegValue(std::u16string_view name, const plat::RegKey& key, uint32_t type,
                     std::vector<uint8_t> data)
    : name_(name), key_(key), type_(type), data_(std::move(data)) {}

uint32_t CRegValue::GetDword() const {
    uint32_t word = 0;
    if (data_.size() >= sizeof word) std::memcpy(&word, data_.data(), sizeof word);
    return word;
}

core::Text CRegValue::GetNarrowText() const {
    std::string_view bytes(reinterpret_cast<const char*>(data_.data()), data_.size());
    return core::WidenBytes(bytes.substr(0, bytes.find('\0')));
}

core::Text CRegValue::GetText() const {
    if (type_ != plat::REG_SZ && type_ != plat::REG_EXPAND_SZ) return GetNarrowText();
    core::Text text(data_.size() / 2, u'\0');
    std::memcpy(text.data(), data_.data(), text.size() * 2);
    return text.substr(0, text.find(u'\0'));
}

// ---- CRegKey ----

CRegKey::~CRegKey() {
    key_.close();
}

std::optional<core::Text> CRegKey::EnumSubKey(uint32_t index) const {
    std::u16string name;
    if (key_.enum_key(index, name) != plat::ERROR_SUCCESS) return std::nullopt;
    return name;
}

uint32_t CRegKey::GetSubKeyCount() const {
    uint32_t subkeys = 0;
    return key_.query_info(&subkeys, nullptr) == plat::ERROR_SUCCESS ? subkeys : 0;
}

uint32_t CRegKey::GetValueCount() const {
    uint32_t values = 0;
    return key_.query_info(nullptr, &values) == plat::ERROR_SUCCESS ? values : 0;
}

bool CRegKey::SetValue(std::u16string_view name, uint32_t type, const void* data,
                       uint32_t size) const {
    if (data == nullptr) return false;
    return key_.set_value(name, type, data, size) == plat::ERROR_SUCCESS;
}

bool CRegKey::SetString(std::u16string_view name, uint32_t type, std::u16string_view text) const {
    if (type == plat::REG_BINARY) {
        std::string bytes = core::LowBytes(text);
        return SetValue(name, type, bytes.c_str(), uint32_t(bytes.size() + 1));
    }
    std::u16string wide(text);
    return SetValue(name, type, wide.c_str(), uint32_t((wide.size() + 1) * sizeof(char16_t)));
}

std::unique_ptr<CRegValue> CRegKey::CreateValue(std::u16string_view name, uint32_t type,
                                                uint32_t size, const void* data, bool keep) const {
    if (!SetValue(name, type, data, size)) return nullptr;
    if (!keep) return nullptr;
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::make_unique<CRegValue>(name, key_, type, std::vector<uint8_t>(bytes, bytes + size));
}

std::unique_ptr<CRegValue> CRegKey::EnumValue(uint32_t index) const {
    std::u16string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (key_.enum_value(index, name, &type, &data) != plat::ERROR_SUCCESS) return nullptr;
    return std::make_unique<CRegValue>(name, key_, type, std::move(data));
}

std::unique_ptr<CRegValue> CRegKey::QueryValue(std::u16string_view name) const {
    uint32_t type = 0;
    uint32_t size = 0;
    if (key_.query_value(name, &type, nullptr, &size) != plat::ERROR_SUCCESS) return nullptr;
    std::vector<uint8_t> data(size);
    // The value may change between the two calls: ask again until the buffer fits.
    uint32_t rc;
    while ((rc = key_.query_value(name, &type, data.data(), &size)) == plat::ERROR_MORE_DATA)
        data.resize(size);
    if (rc != plat::ERROR_SUCCESS) return nullptr;
    data.resize(size);
    return std::make_unique<CRegValue>(name, key_, type, std::move(data));
}

std::unique_ptr<CRegKey> CRegKey::OpenSubKey(std::u16string_view name, bool create) const {
    return CRegistry().OpenKey(key_, name, create);
}

void CRegKey::DeleteValue(const CRegValue& value) const {
    key_.delete_value(value.GetName());
}

bool CRegKey::DeleteSubKey(std::u16string_view name) const {
    return key_.delete_key(name) == plat::ERROR_SUCCESS;
}

// ---- CRegistry ----

std::unique_ptr<CRegKey> CRegistry::OpenKey(const plat::RegKey& root, std::u16string_view path,
                                            bool create) const {
    plat::RegKey key;
    uint32_t rc = create ? root.create(path, key) : root.open(path, key);
    if (rc != plat::ERROR_SUCCESS) return nullptr;
    return std::make_unique<CRegKey>(std::move(key));
}

bool CRegistry::KeyExists(const plat::RegKey& key, std::u16string_view name) const {
    std::u16string subkey;
    for (uint32_t i = 0; key.enum_key(i, subkey) == plat::ERROR_SUCCESS; ++i)
        if (plat::equals_ignore_case(subkey, name)) return true;
    return false;
}
