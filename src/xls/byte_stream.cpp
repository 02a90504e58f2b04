#include "xls/byte_stream.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "common/error.h"

namespace tessary {

TByteStream::~TByteStream() = default;

static void ThrowShortRead(uint64_t missing) {
  ThrowError("End of stream reached with %d bytes left to read",
             static_cast<int>(std::min<uint64_t>(missing, INT32_MAX)));
}

void TMemoryByteStream::Read(void* buf, size_t n) {
  const uint64_t left = Bytes.size() > FPosition ? Bytes.size() - FPosition : 0;
  if (n > left) ThrowShortRead(n - left);
  if (n != 0) std::memcpy(buf, Bytes.data() + FPosition, n);
  FPosition += n;
}

void TMemoryByteStream::Write(const void* buf, size_t n) {
  if (n == 0) return;
  if (FPosition + n > Bytes.size()) Bytes.resize(FPosition + n);
  std::memcpy(Bytes.data() + FPosition, buf, n);
  FPosition += n;
}

TFileReadStream::TFileReadStream(const std::filesystem::path& path) {
  FFile = OpenRegularFileForReading(path, &FSize);
  if (FFile == nullptr) throw Error(LastSystemErrorText());
}

TFileReadStream::~TFileReadStream() {
  if (FFile != nullptr) std::fclose(FFile);
}

void TFileReadStream::Read(void* buf, size_t n) {
  if (n == 0) return;
  const uint64_t left = FSize > FPosition ? FSize - FPosition : 0;
  if (n > left) ThrowShortRead(n - left);
  if (fseeko(FFile, static_cast<off_t>(FPosition), SEEK_SET) != 0)
    throw Error(LastSystemErrorText());
  const size_t got = std::fread(buf, 1, n, FFile);
  if (got != n) ThrowShortRead(n - got);
  FPosition += n;
}

void TFileReadStream::Write(const void*, size_t) { throw Error(std::strerror(EBADF)); }

void TFileWriteStream::Seek(uint64_t pos) {
  if (!FWriter.Seek(pos)) throw Error(LastSystemErrorText());
}

void TFileWriteStream::Read(void*, size_t) { throw Error(std::strerror(EBADF)); }

void TFileWriteStream::Write(const void* buf, size_t n) {
  if (!FWriter.Write(buf, n)) throw Error(LastSystemErrorText());
  FSize = std::max(FSize, FWriter.Position());
}

void TFileWriteStream::Commit() {
  if (!FWriter.Commit()) throw Error(LastSystemErrorText());
}

}  // namespace tessary
