#include "common/byte_reader.h"

#include "common/error.h"

namespace tessary {

void TByteReader::Fail() const { throw Error(std::string(FFailure)); }

void TByteReader::Seek(size_t position) {
  if (position > FBytes.size()) Fail();
  FPos = position;
}

}  // namespace tessary
