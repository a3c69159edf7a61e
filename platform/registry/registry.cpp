#include "platform/registry/registry.h"

#include <cstring>

#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry_store.h"
#include "platform/text/utf.h"

namespace plat {

using detail::RegistryStore;
using detail::RegNode;
using detail::RegValueData;

namespace {

uint32_t result(uint32_t code) {
    set_last_error(code);
    return code;
}

// Splits "A\B\C" into its names; empty names (doubled or outer backslashes)
// are skipped. Names with control characters are refused.
bool split(std::u16string_view path, std::vector<std::u16string>& out) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) end = path.size();
        std::u16string_view name = path.substr(start, end - start);
        for (char16_t c : name)
            if (c < 0x20) return false;
        if (!name.empty()) out.emplace_back(name);
        start = end + 1;
    }
    return true;
}

bool valid_value_name(std::u16string_view name) {
    return name.find(u'\0') == std::u16string_view::npos;
}

}  // namespace

namespace {

const RegNode* find(const RegNode& root, Hive hive, const std::vector<std::u16string>& path) {
    const RegNode* node = root.children[static_cast<size_t>(hive)].get();
    for (const auto& name : path) {
        node = node->child(name);
        if (!node) return nullptr;
    }
    return node;
}

RegNode* find(RegNode& root, Hive hive, const std::vector<std::u16string>& path) {
    return const_cast<RegNode*>(find(static_cast<const RegNode&>(root), hive, path));
}

}  // namespace

std::u16string RegKey::path() const {
    std::u16string joined;
    for (const auto& name : path_) {
        if (!joined.empty()) joined += u'\\';
        joined += name;
    }
    return joined;
}

uint32_t RegKey::open(std::u16string_view subkey, RegKey& out) const {
    out = RegKey();
    if (!open_) return result(ERROR_INVALID_HANDLE);
    std::vector<std::u16string> path = path_;
    if (!split(subkey, path)) return result(ERROR_INVALID_PARAMETER);
    uint32_t code = RegistryStore::instance().read([&](const RegNode& root) {
        if (find(root, hive_, path)) return ERROR_SUCCESS;
        return find(root, hive_, path_) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    });
    if (code == ERROR_SUCCESS) {
        out = RegKey(hive_);
        out.path_ = std::move(path);
    }
    return result(code);
}

uint32_t RegKey::create(std::u16string_view subkey, RegKey& out, bool* created) const {
    out = RegKey();
    if (created) *created = false;
    if (!open_) return result(ERROR_INVALID_HANDLE);
    std::vector<std::u16string> path = path_;
    if (!split(subkey, path)) return result(ERROR_INVALID_PARAMETER);
    bool made = false;
    uint32_t code = RegistryStore::instance().write([&](RegNode& root, bool& changed) {
        RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        for (size_t i = path_.size(); i < path.size(); ++i) {
            RegNode* next = node->child(path[i]);
            made = next == nullptr;
            node = next ? next : &node->add_child(path[i]);
        }
        changed = made;
        return ERROR_SUCCESS;
    });
    if (code == ERROR_SUCCESS) {
        out = RegKey(hive_);
        out.path_ = std::move(path);
        if (created) *created = made;
    }
    return result(code);
}

uint32_t RegKey::query_value(std::u16string_view name, uint32_t* type, void* data,
                             uint32_t* size) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    if (data && !size) return result(ERROR_INVALID_PARAMETER);
    return result(RegistryStore::instance().read([&](const RegNode& root) {
        const RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        const RegValueData* v = node->value(name);
        if (!v) return ERROR_FILE_NOT_FOUND;
        if (type) *type = v->type;
        auto needed = static_cast<uint32_t>(v->data.size());
        if (data && *size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (data && needed) std::memcpy(data, v->data.data(), needed);
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }));
}

uint32_t RegKey::set_value(std::u16string_view name, uint32_t type, const void* data,
                           uint32_t size) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    if ((!data && size) || !valid_value_name(name)) return result(ERROR_INVALID_PARAMETER);
    auto bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(bytes, bytes + size);
    return result(RegistryStore::instance().write([&](RegNode& root, bool& changed) {
        RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        RegValueData* v = node->value(name);
        if (v && v->type == type && v->data == copy) return ERROR_SUCCESS;  // nothing to save
        if (!v) {
            node->values.push_back(RegValueData{std::u16string(name), type, {}});
            v = &node->values.back();
        }
        v->type = type;
        v->data = std::move(copy);
        changed = true;
        return ERROR_SUCCESS;
    }));
}

uint32_t RegKey::delete_value(std::u16string_view name) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    return result(RegistryStore::instance().write([&](RegNode& root, bool& changed) {
        RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        for (auto it = node->values.begin(); it != node->values.end(); ++it) {
            if (equals_ignore_case(it->name, name)) {
                node->values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    }));
}

uint32_t RegKey::delete_key(std::u16string_view subkey) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    std::vector<std::u16string> path;
    if (!split(subkey, path) || path.empty()) return result(ERROR_INVALID_PARAMETER);
    std::u16string last = path.back();
    path.pop_back();
    std::vector<std::u16string> parent = path_;
    parent.insert(parent.end(), path.begin(), path.end());
    return result(RegistryStore::instance().write([&](RegNode& root, bool& changed) {
        RegNode* node = find(root, hive_, parent);
        if (!node) return find(root, hive_, path_) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        if (!node->remove_child(last)) return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    }));
}

uint32_t RegKey::enum_key(uint32_t index, std::u16string& name) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    return result(RegistryStore::instance().read([&](const RegNode& root) {
        const RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        if (index >= node->children.size()) return ERROR_NO_MORE_ITEMS;
        name = node->children[index]->name;
        return ERROR_SUCCESS;
    }));
}

uint32_t RegKey::enum_value(uint32_t index, std::u16string& name, uint32_t* type,
                            std::vector<uint8_t>* data) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    return result(RegistryStore::instance().read([&](const RegNode& root) {
        const RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
        const RegValueData& v = node->values[index];
        name = v.name;
        if (type) *type = v.type;
        if (data) *data = v.data;
        return ERROR_SUCCESS;
    }));
}

uint32_t RegKey::query_info(uint32_t* subkeys, uint32_t* values) const {
    if (!open_) return result(ERROR_INVALID_HANDLE);
    return result(RegistryStore::instance().read([&](const RegNode& root) {
        const RegNode* node = find(root, hive_, path_);
        if (!node) return ERROR_KEY_DELETED;
        if (subkeys) *subkeys = static_cast<uint32_t>(node->children.size());
        if (values) *values = static_cast<uint32_t>(node->values.size());
        return ERROR_SUCCESS;
    }));
}

namespace {

std::optional<std::vector<uint8_t>> get_typed(const RegKey& key, std::u16string_view name,
                                              uint32_t wanted) {
    uint32_t type = 0, size = 0;
    if (key.query_value(name, &type, nullptr, &size) != ERROR_SUCCESS || type != wanted)
        return std::nullopt;
    std::vector<uint8_t> data(size);
    for (;;) {
        uint32_t got = static_cast<uint32_t>(data.size());
        uint32_t code = key.query_value(name, &type, data.data(), &got);
        if (code == ERROR_MORE_DATA) {  // changed by another process meanwhile
            data.resize(got);
            continue;
        }
        if (code != ERROR_SUCCESS || type != wanted) return std::nullopt;
        data.resize(got);
        return data;
    }
}

uint32_t set_units(const RegKey& key, std::u16string_view name, uint32_t type,
                   std::u16string_view units) {
    std::vector<uint8_t> data = detail::utf16_bytes(units);
    return key.set_value(name, type, data.data(), static_cast<uint32_t>(data.size()));
}

}  // namespace

std::optional<uint32_t> RegKey::get_dword(std::u16string_view name) const {
    auto data = get_typed(*this, name, REG_DWORD);
    if (!data || data->size() != 4) return std::nullopt;
    return detail::dword_value(*data);
}

uint32_t RegKey::set_dword(std::u16string_view name, uint32_t value) const {
    return set_value(name, REG_DWORD, detail::dword_bytes(value).data(), 4);
}

std::optional<std::u16string> RegKey::get_string(std::u16string_view name) const {
    auto data = get_typed(*this, name, REG_SZ);
    if (!data) data = get_typed(*this, name, REG_EXPAND_SZ);
    if (!data) return std::nullopt;
    std::u16string text = detail::utf16_units(*data);
    if (auto zero = text.find(u'\0'); zero != std::u16string::npos) text.resize(zero);
    return text;
}

uint32_t RegKey::set_string(std::u16string_view name, std::u16string_view text) const {
    std::u16string units(text);
    units.push_back(u'\0');
    return set_units(*this, name, REG_SZ, units);
}

std::optional<std::vector<uint8_t>> RegKey::get_binary(std::u16string_view name) const {
    return get_typed(*this, name, REG_BINARY);
}

uint32_t RegKey::set_binary(std::u16string_view name, const std::vector<uint8_t>& data) const {
    return set_value(name, REG_BINARY, data.data(), static_cast<uint32_t>(data.size()));
}

std::optional<std::vector<std::u16string>> RegKey::get_multi_string(
    std::u16string_view name) const {
    auto data = get_typed(*this, name, REG_MULTI_SZ);
    if (!data) return std::nullopt;
    std::vector<std::u16string> texts;
    std::u16string units = detail::utf16_units(*data);
    size_t start = 0;
    while (start < units.size()) {
        size_t end = units.find(u'\0', start);
        if (end == std::u16string::npos) end = units.size();
        if (end == start) break;  // the closing empty string
        texts.push_back(units.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

uint32_t RegKey::set_multi_string(std::u16string_view name,
                                  const std::vector<std::u16string>& texts) const {
    std::u16string units;
    for (const auto& t : texts) {
        units += t;
        units.push_back(u'\0');
    }
    units.push_back(u'\0');
    return set_units(*this, name, REG_MULTI_SZ, units);
}

}  // namespace plat

namespace plat {

namespace {

bool merge_missing(RegNode& into, const RegNode& from) {
    bool changed = false;
    for (const auto& v : from.values) {
        if (!into.value(v.name)) {
            into.values.push_back(v);
            changed = true;
        }
    }
    for (const auto& child : from.children) {
        RegNode* mine = into.child(child->name);
        if (!mine) {
            mine = &into.add_child(child->name);
            changed = true;
        }
        changed |= merge_missing(*mine, *child);
    }
    return changed;
}

}  // namespace

uint32_t merge_factory_registry() {
    RegNode factory = RegistryStore::instance().factory();
    return result(RegistryStore::instance().write([&](RegNode& root, bool& changed) {
        changed = merge_missing(root, factory);
        return ERROR_SUCCESS;
    }));
}

void set_registry_save_observer(std::function<void(bool written)> observer) {
    detail::RegistryStore::instance().set_save_observer(std::move(observer));
}

}  // namespace plat
