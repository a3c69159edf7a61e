#pragma once
// Internal: the process's namespace of named kernel objects.
#include <functional>
#include <memory>
#include <string_view>

#include "platform/kernel/dispatcher.h"

namespace plat::detail {

// Returns the object of that name, making it with `make` when there is none.
// `existed` tells which happened. Returns null (last error ERROR_INVALID_HANDLE)
// when the name belongs to an object of another kind.
std::shared_ptr<KObject> create_named(std::string_view name, Kind kind,
                                      const std::function<std::shared_ptr<KObject>()>& make,
                                      bool* existed);
// The object of that name and kind, or null (last error ERROR_FILE_NOT_FOUND).
std::shared_ptr<KObject> open_named(std::string_view name, Kind kind);

}  // namespace plat::detail
