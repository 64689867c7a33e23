#pragma once
// One stream read into a record's byte image: a short read changes only the
// bytes that came, as the loader expects of a plain read.

#include "gif/framework/stream.h"
#include "gif/gif_decl.h"

namespace gd {

template <class Record>
void ReadRecord(TStream& stream, Record& record) {
  auto bytes = RecordBytes(record);
  stream.Read(bytes);
  RecordFromBytes(bytes, record);
}

}  // namespace gd
