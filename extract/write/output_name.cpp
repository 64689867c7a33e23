#include "extract/write/output_name.h"

#include "base/path_util.h"

namespace gd {

std::string OutputName(std::string_view save_dir, std::string_view source_path, std::size_t index,
                       std::string_view type) {
  std::string name(save_dir);
  name += BaseNameOf(source_path);
  name += '-';
  name += ExtensionOf(source_path);
  name += '-';
  name += std::to_string(index);
  name += '.';
  name += type;
  return name;
}

}  // namespace gd
