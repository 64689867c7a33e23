#include "gif/framework/exception.h"

namespace gd {

std::string ListIndexMessage(std::ptrdiff_t index) {
  return "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
}

}  // namespace gd
