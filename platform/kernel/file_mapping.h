#pragma once
// Named file mappings: a block of bytes shared by every handle of that name.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/kernel/sync.h"

namespace plat {

class FileMapping {
  public:
    FileMapping() = default;
    // Creates the named block (zero-filled) or opens the existing one, which
    // keeps its size; `created->already_existed` tells which.
    static FileMapping create(std::string_view name, size_t size, Created* created = nullptr);
    static FileMapping open(std::string_view name);

    explicit operator bool() const { return block_ != nullptr; }
    uint8_t* data() const;
    size_t size() const;

  private:
    std::shared_ptr<class MappingBlock> block_;
};

}  // namespace plat
