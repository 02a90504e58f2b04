#include "common/byte_reader.h"

#include "common/error.h"

namespace tessary {

void TByteReader::Fail() const { throw Error(std::string(FFailure)); }

}  // namespace tessary
