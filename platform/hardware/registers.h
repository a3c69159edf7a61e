#pragma once
// Physical register blocks as drivers see them. A model registered for a range
// of physical pages answers 32-bit reads, writes and compare-exchanges; a
// driver maps a block (extended to whole 4 KB pages) to a RegisterWindow and
// addresses it by byte offset from the block's start. Mapping an address no
// model covers fails. On a Linux host no real register is ever touched: the
// models are the simulated hardware's.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace plat::hw {

inline constexpr uint32_t kPageSize = 4096;

// The registers of one simulated block; `address` is the physical address of
// the 32-bit word accessed.
class IRegisterModel {
  public:
    virtual ~IRegisterModel() = default;
    virtual uint32_t read(uint32_t address) = 0;
    virtual void write(uint32_t address, uint32_t value) = 0;
    // Writes `desired` when the word holds `expected`; returns the old word.
    virtual uint32_t compare_exchange(uint32_t address, uint32_t expected, uint32_t desired) = 0;
};

// Registers `model` for the pages covering [base, base + size). Returns an id
// for unregister_model, 0 when a page is already modelled.
uint32_t register_model(uint32_t base, uint32_t size, std::shared_ptr<IRegisterModel> model);
void unregister_model(uint32_t id);

// One logged access.
struct RegisterAccess {
    enum Kind : uint8_t { Read, Write, Exchange };
    Kind kind;
    uint32_t address;  // physical
    uint32_t value;    // read: the value read; write and exchange: the value written
    bool operator==(const RegisterAccess&) const = default;
};

// Collects every access of every window while it exists, optionally only
// those inside [first, last].
class RegisterLog {
  public:
    explicit RegisterLog(uint32_t first = 0, uint32_t last = 0xFFFFFFFFu);
    ~RegisterLog();
    RegisterLog(const RegisterLog&) = delete;
    RegisterLog& operator=(const RegisterLog&) = delete;
    std::vector<RegisterAccess> take();  // the accesses so far; the log starts again
    void add(const RegisterAccess& access);
    uint32_t first() const { return first_; }
    uint32_t last() const { return last_; }

  private:
    uint32_t first_, last_;
    std::mutex mutex_;
    std::vector<RegisterAccess> accesses_;  // guarded by mutex_
};

// A mapped block. Empty (false) when no model covers it.
class RegisterWindow {
  public:
    RegisterWindow() = default;
    static RegisterWindow map(uint32_t physical, uint32_t size);
    explicit operator bool() const { return model_ != nullptr; }
    uint32_t physical() const { return physical_; }
    uint32_t size() const { return size_; }

    uint32_t read(uint32_t offset) const;
    void write(uint32_t offset, uint32_t value) const;
    uint32_t compare_exchange(uint32_t offset, uint32_t expected, uint32_t desired) const;
    void set_bits(uint32_t offset, uint32_t bits) const { write(offset, read(offset) | bits); }
    void clear_bits(uint32_t offset, uint32_t bits) const { write(offset, read(offset) & ~bits); }

  private:
    std::shared_ptr<IRegisterModel> model_;
    uint32_t physical_ = 0;
    uint32_t size_ = 0;  // whole pages from the page of `physical_`
};

}  // namespace plat::hw
