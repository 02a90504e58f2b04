#include "table/text_store.h"

#include <algorithm>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tessary {

void* AllocateTableBlock(size_t bytes) {
#if defined(__linux__)
  if (bytes == kHugeBlockBytes) {
    void* p = mmap(nullptr, 2 * kHugeBlockBytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<char*>(p);
    const size_t skip =
        (kHugeBlockBytes - reinterpret_cast<uintptr_t>(base) % kHugeBlockBytes) % kHugeBlockBytes;
    if (skip > 0) munmap(base, skip);
    munmap(base + skip + kHugeBlockBytes, kHugeBlockBytes - skip);
    madvise(base + skip, kHugeBlockBytes, MADV_HUGEPAGE);
    return base + skip;
  }
#endif
  return ::operator new(bytes);
}

void FreeTableBlock(void* block, size_t bytes) {
  if (block == nullptr) return;
#if defined(__linux__)
  if (bytes == kHugeBlockBytes) {
    munmap(block, kHugeBlockBytes);
    return;
  }
#endif
  ::operator delete(block);
}

namespace {

char16_t* AllocateUnits(size_t units) {
  return static_cast<char16_t*>(AllocateTableBlock(units * sizeof(char16_t)));
}

void FreeUnits(char16_t* data, size_t units) { FreeTableBlock(data, units * sizeof(char16_t)); }

}  // namespace

TTextStore::TTextStore(TTextStore&& other) noexcept
    : FBlocks(std::move(other.FBlocks)),
      FFreeIds(std::move(other.FFreeIds)),
      FCurrent(std::exchange(other.FCurrent, UINT32_MAX)),
      FLiveUnits(std::exchange(other.FLiveUnits, 0)),
      FBlockUnits(std::exchange(other.FBlockUnits, 0)),
      FSharedCount(std::exchange(other.FSharedCount, 0)) {
  other.FBlocks.clear();
  other.FFreeIds.clear();
}

TTextStore& TTextStore::operator=(TTextStore&& other) noexcept {
  if (this != &other) {
    FreeAll();
    FBlocks = std::move(other.FBlocks);
    FFreeIds = std::move(other.FFreeIds);
    FCurrent = std::exchange(other.FCurrent, UINT32_MAX);
    FLiveUnits = std::exchange(other.FLiveUnits, 0);
    FBlockUnits = std::exchange(other.FBlockUnits, 0);
    FSharedCount = std::exchange(other.FSharedCount, 0);
    other.FBlocks.clear();
    other.FFreeIds.clear();
  }
  return *this;
}

TTextStore::~TTextStore() { FreeAll(); }

void TTextStore::FreeAll() {
  for (TBlock& b : FBlocks) FreeUnits(b.Data, b.Capacity);
  FBlocks.clear();
  FFreeIds.clear();
  FCurrent = UINT32_MAX;
  FLiveUnits = 0;
  FBlockUnits = 0;
  FSharedCount = 0;
}

uint32_t TTextStore::Count(const char16_t* text) {
  uint32_t count = 0;
  std::memcpy(&count, text - kCountUnits, sizeof count);
  return count;
}

void TTextStore::SetCount(char16_t* text, uint32_t count) {
  std::memcpy(text - kCountUnits, &count, sizeof count);
}

uint32_t TTextStore::NewBlock(size_t capacity) {
  if (FFreeIds.empty()) {
    if (FBlocks.size() > kBlockMask) throw std::bad_alloc();
    // Room for the new id in both lists first, so that freeing a block
    // never needs memory and nothing below throws once `data` is held.
    if (FBlocks.size() == FBlocks.capacity()) FBlocks.reserve(2 * FBlocks.size() + 8);
    if (FFreeIds.capacity() <= FBlocks.size()) FFreeIds.reserve(2 * FBlocks.size() + 8);
  }
  char16_t* data = AllocateUnits(capacity);
  uint32_t id = 0;
  if (!FFreeIds.empty()) {
    id = FFreeIds.back();
    FFreeIds.pop_back();
  } else {
    id = static_cast<uint32_t>(FBlocks.size());
    FBlocks.emplace_back();
  }
  FBlocks[id].Data = data;
  FBlocks[id].Capacity = capacity;
  FBlockUnits += capacity;
  return id;
}

void TTextStore::FreeBlock(uint32_t id) {
  TBlock& b = FBlocks[id];
  FreeUnits(b.Data, b.Capacity);
  FBlockUnits -= b.Capacity;
  b = TBlock{};
  FFreeIds.push_back(id);
}

// Room for `units` code units of text, and a count in front of them when
// shared.
TCellText TTextStore::Place(size_t units, bool shared, char16_t*& room) {
  const size_t need = units + (shared ? kCountUnits : 0);
  uint32_t id = 0;
  if (units > kOwnBlockUnits) {
    id = NewBlock(need);
  } else {
    if (FCurrent == UINT32_MAX || FBlocks[FCurrent].Capacity - FBlocks[FCurrent].Used < need) {
      const uint32_t old = FCurrent;
      FCurrent =
          NewBlock(std::clamp(FBlockUnits, std::max(need, kFirstBlockCapacity), kBlockCapacity));
      // The block left behind goes as soon as its texts do.
      if (old != UINT32_MAX && FBlocks[old].Live == 0) FreeBlock(old);
    }
    id = FCurrent;
  }
  TBlock& b = FBlocks[id];
  if (shared) ++FSharedCount;
  const size_t offset = b.Used + (shared ? kCountUnits : 0);
  b.Used += need;
  b.Live += need;
  FLiveUnits += need;
  const size_t lengthField = units >= kLongLength ? kLongLength : units;
  if (lengthField == kLongLength) b.LongUnits = units;
  room = b.Data + offset;
  const uint64_t bits = (shared ? 3u : 2u) | (uint64_t{lengthField} << kLengthShift) |
                        (uint64_t{id} << kBlockShift) | (uint64_t{offset} << kOffsetShift);
  return TCellText::FromBits(bits);
}

TCellText TTextStore::Make(std::u16string_view text) {
  if (text.empty()) return TCellText();
  if (text.size() <= TCellText::kInlineUnits) return TCellText::Inline(text);
  // `text` may lie in a block of this store: blocks are not moved or freed
  // while a text is placed, so it stays readable.
  char16_t* room = nullptr;
  const TCellText cell = Place(text.size(), false, room);
  std::memcpy(room, text.data(), text.size() * sizeof(char16_t));
  return cell;
}

TCellText TTextStore::MakeShared(size_t units, char16_t*& room) {
  const TCellText cell = Place(units, true, room);
  SetCount(room, kMakerHold);
  return cell;
}

void TTextStore::Settle(TCellText text, uint64_t holders) {
  if (text.Kind() != TCellText::TKind::tkShared) return;
  char16_t* at = const_cast<char16_t*>(View(text).data());
  // Holders that let go meanwhile have counted down from kMakerHold.
  const uint64_t count = uint64_t{Count(at)} - kMakerHold + holders;
  if (count > 0) {
    SetCount(at, static_cast<uint32_t>(std::min<uint64_t>(count, kMaxCount)));
    return;
  }
  SetCount(at, 1);
  Release(text);
}

void TTextStore::AddRef(TCellText text) {
  if (text.Kind() != TCellText::TKind::tkShared) return;
  char16_t* at = const_cast<char16_t*>(View(text).data());
  const uint32_t count = Count(at);
  if (count < kMaxCount) SetCount(at, count + 1);
}

void TTextStore::Drop(uint32_t id, size_t units) {
  TBlock& b = FBlocks[id];
  b.Live -= units;
  FLiveUnits -= units;
  if (b.Live > 0) return;
  if (id == FCurrent) {
    // The block new texts go into starts again from its beginning, unless
    // the store holds no text at all any more.
    if (FLiveUnits > 0) {
      b.Used = 0;
      return;
    }
    FCurrent = UINT32_MAX;
  }
  FreeBlock(id);
}

void TTextStore::Release(TCellText text) {
  if (!text.InStore()) return;
  const std::u16string_view view = View(text);
  const auto id = static_cast<uint32_t>((text.Bits() >> kBlockShift) & kBlockMask);
  if (text.Kind() == TCellText::TKind::tkShared) {
    char16_t* at = const_cast<char16_t*>(view.data());
    const uint32_t count = Count(at);
    if (count >= kMaxCount) return;  // too many holders to count: kept until compacted
    if (count > 1) {
      SetCount(at, count - 1);
      return;
    }
    --FSharedCount;
    Drop(id, view.size() + kCountUnits);
  } else {
    Drop(id, view.size());
  }
}

TCellText TTextStore::MoveFrom(TTextStore& from, TCellText text) {
  if (!text.InStore()) return text;
  const std::u16string_view view = from.View(text);
  char16_t* room = nullptr;
  if (text.Kind() == TCellText::TKind::tkOwned) {
    const TCellText moved = Place(view.size(), false, room);
    std::memcpy(room, view.data(), view.size() * sizeof(char16_t));
    return moved;
  }
  // A shared text moved before left its new place in its first units (it
  // has at least four); its holders are counted again as they come.
  char16_t* old = const_cast<char16_t*>(view.data());
  if (Count(old) == kMoved) {
    uint64_t bits = 0;
    std::memcpy(&bits, old, sizeof bits);
    const TCellText moved = TCellText::FromBits(bits);
    AddRef(moved);
    return moved;
  }
  const TCellText moved = Place(view.size(), true, room);
  SetCount(room, 1);
  std::memcpy(room, view.data(), view.size() * sizeof(char16_t));
  SetCount(old, kMoved);
  const uint64_t bits = moved.Bits();
  std::memcpy(old, &bits, sizeof bits);
  return moved;
}

}  // namespace tessary
