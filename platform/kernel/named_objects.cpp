#include "platform/kernel/named_objects.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace plat::detail {

namespace {
struct Table {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<KObject>, std::less<>> objects;
};
Table& table() {
    static Table t;
    return t;
}
}  // namespace

std::shared_ptr<KObject> create_named(std::string_view name, Kind kind,
                                      const std::function<std::shared_ptr<KObject>()>& make,
                                      bool* existed) {
    Table& t = table();
    std::lock_guard lock(t.lock);
    auto it = t.objects.find(name);
    if (it != t.objects.end()) {
        if (auto obj = it->second.lock()) {
            if (obj->kind() != kind) {
                set_last_error(ERROR_INVALID_HANDLE);
                return nullptr;
            }
            if (existed) *existed = true;
            set_last_error(ERROR_ALREADY_EXISTS);
            return obj;
        }
    }
    auto obj = make();
    t.objects[std::string(name)] = obj;
    if (existed) *existed = false;
    set_last_error(ERROR_SUCCESS);
    return obj;
}

std::shared_ptr<KObject> open_named(std::string_view name, Kind kind) {
    Table& t = table();
    std::lock_guard lock(t.lock);
    auto it = t.objects.find(name);
    if (it != t.objects.end()) {
        if (auto obj = it->second.lock(); obj && obj->kind() == kind) return obj;
    }
    set_last_error(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

}  // namespace plat::detail
