#include "platform/kernel/file_mapping.h"

#include <vector>

#include "platform/kernel/named_objects.h"

namespace plat {

class MappingBlock : public detail::KObject {
  public:
    explicit MappingBlock(size_t size) : KObject(detail::Kind::Mapping), bytes(size, 0) {}
    bool ready(uint32_t) const override { return false; }
    std::vector<uint8_t> bytes;
};

FileMapping FileMapping::create(std::string_view name, size_t size, Created* created) {
    FileMapping m;
    if (name.empty()) {
        m.block_ = std::make_shared<MappingBlock>(size);
        if (created) created->already_existed = false;
        return m;
    }
    bool existed = false;
    auto obj = detail::create_named(
        name, detail::Kind::Mapping, [&] { return std::make_shared<MappingBlock>(size); },
        &existed);
    if (created) created->already_existed = existed;
    m.block_ = std::static_pointer_cast<MappingBlock>(obj);
    return m;
}

FileMapping FileMapping::open(std::string_view name) {
    FileMapping m;
    m.block_ =
        std::static_pointer_cast<MappingBlock>(detail::open_named(name, detail::Kind::Mapping));
    return m;
}

uint8_t* FileMapping::data() const {
    return block_ ? block_->bytes.data() : nullptr;
}
size_t FileMapping::size() const {
    return block_ ? block_->bytes.size() : 0;
}

}  // namespace plat
