#pragma once
// Tests change a few of an engine's options at a time.

#include <utility>

#include "extract/run/res_extract.h"

namespace gd::test {

// Changes some of engine's options, keeping the rest.
template <class Change>
void ChangeOptions(TResExtract& engine, Change change) {
  RunOptions options = engine.Options();
  change(options);
  engine.SetOptions(std::move(options));
}

}  // namespace gd::test
