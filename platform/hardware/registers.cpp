// The register models of the process by page, and the access logs.
#include "platform/hardware/registers.h"

#include <algorithm>
#include <map>
#include <utility>

namespace plat::hw {
namespace {

struct Registration {
    uint32_t first_page;
    uint32_t pages;
    std::shared_ptr<IRegisterModel> model;
};

struct Registry {
    std::mutex mutex;
    uint32_t next_id = 1;                     // guarded by mutex
    std::map<uint32_t, Registration> models;  // by id; guarded by mutex
    std::vector<RegisterLog*> logs;           // guarded by mutex
};

Registry& registry() {
    static Registry r;
    return r;
}

void log_access(const RegisterAccess& access) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (RegisterLog* log : r.logs)
        if (access.address >= log->first() && access.address <= log->last()) log->add(access);
}

bool overlaps(const Registration& a, uint32_t first_page, uint32_t pages) {
    return first_page < a.first_page + a.pages && a.first_page < first_page + pages;
}

uint32_t page_count(uint32_t base, uint32_t size) {
    const uint64_t end = uint64_t(base) + std::max<uint32_t>(size, 1);
    return uint32_t((end + kPageSize - 1) / kPageSize - base / kPageSize);
}

}  // namespace

uint32_t register_model(uint32_t base, uint32_t size, std::shared_ptr<IRegisterModel> model) {
    if (!model) return 0;
    const uint32_t first = base / kPageSize, pages = page_count(base, size);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [id, reg] : r.models)
        if (overlaps(reg, first, pages)) return 0;
    const uint32_t id = r.next_id++;
    r.models.emplace(id, Registration{first, pages, std::move(model)});
    return id;
}

void unregister_model(uint32_t id) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.models.erase(id);
}

RegisterLog::RegisterLog(uint32_t first, uint32_t last) : first_(first), last_(last) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.logs.push_back(this);
}

RegisterLog::~RegisterLog() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase(r.logs, this);
}

std::vector<RegisterAccess> RegisterLog::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(accesses_, {});
}

void RegisterLog::add(const RegisterAccess& access) {
    std::lock_guard lock(mutex_);
    accesses_.push_back(access);
}

RegisterWindow RegisterWindow::map(uint32_t physical, uint32_t size) {
    const uint32_t first = physical / kPageSize, pages = page_count(physical, size);
    RegisterWindow window;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [id, reg] : r.models) {
        if (first >= reg.first_page && first + pages <= reg.first_page + reg.pages) {
            window.model_ = reg.model;
            window.physical_ = physical;
            window.size_ = pages * kPageSize - physical % kPageSize;
            break;
        }
    }
    return window;
}

uint32_t RegisterWindow::read(uint32_t offset) const {
    if (!model_ || offset >= size_) return 0;
    const uint32_t value = model_->read(physical_ + offset);
    log_access({RegisterAccess::Read, physical_ + offset, value});
    return value;
}

void RegisterWindow::write(uint32_t offset, uint32_t value) const {
    if (!model_ || offset >= size_) return;
    model_->write(physical_ + offset, value);
    log_access({RegisterAccess::Write, physical_ + offset, value});
}

uint32_t RegisterWindow::compare_exchange(uint32_t offset, uint32_t expected,
                                          uint32_t desired) const {
    if (!model_ || offset >= size_) return ~expected;
    const uint32_t old = model_->compare_exchange(physical_ + offset, expected, desired);
    log_access({RegisterAccess::Exchange, physical_ + offset, old == expected ? desired : old});
    return old;
}

}  // namespace plat::hw
