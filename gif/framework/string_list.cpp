#include "gif/framework/string_list.h"

#include "gif/framework/exception.h"

namespace gd {

std::int32_t TStringList::Add(std::string_view s) {
  items_.emplace_back(s);
  return Count() - 1;
}

const std::string& TStringList::Get(std::int32_t index) const {
  if (index < 0 || index >= Count()) throw EStringListError(index);
  return items_[static_cast<std::size_t>(index)];
}

}  // namespace gd
