// The texts of the cell table, kept in large blocks. A cell holds an 8-byte
// TCellText: texts of up to three code units live in it, longer ones in a
// block of the store, either owned by the one cell or shared by several
// cells through a reference count kept in front of the text. A block whose
// texts have all gone is freed at once, and freeing the store frees it a
// block at a time, never a text at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tessary {

static_assert(std::endian::native == std::endian::little,
              "a short text is read in place from the bytes of its cell");

// Memory for the blocks of the table's texts and cells, left uninitialized.
// On Linux a block of kHugeBlockBytes is mapped on its own, on a boundary of
// its size and asking for huge pages where the system gives them on
// request, so that filling it costs one page fault instead of 512 and
// freeing it returns the memory at once.
inline constexpr size_t kHugeBlockBytes = size_t{2} << 20;
void* AllocateTableBlock(size_t bytes);
void FreeTableBlock(void* block, size_t bytes);

// What a cell holds. The low two bits of its 64-bit value tell the kind:
// 0 no text (the value 0), 1 a short text in place (two bits of length, the
// code units in units 1 to 3), 2 a text owned by the cell and 3 a shared
// text, both in the store: 22 bits of length, 16 bits of block, 24 bits of
// position in the block.
class alignas(8) TCellText {
 public:
  static constexpr size_t kInlineUnits = 3;
  enum class TKind : uint8_t { tkEmpty, tkInline, tkOwned, tkShared };

  TCellText() = default;
  static TCellText FromBits(uint64_t bits) { return std::bit_cast<TCellText>(bits); }
  uint64_t Bits() const { return std::bit_cast<uint64_t>(*this); }
  TKind Kind() const { return static_cast<TKind>(Bits() & 3); }
  bool Empty() const { return Bits() == 0; }
  bool InStore() const { return (Bits() & 2) != 0; }

  // A text of 1 to kInlineUnits code units, held in place.
  static TCellText Inline(std::u16string_view text) {
    TCellText t;
    t.FUnits[0] = static_cast<char16_t>(1 | (text.size() << 2));
    std::memcpy(t.FUnits + 1, text.data(), text.size() * sizeof(char16_t));
    return t;
  }
  std::u16string_view InlineText() const {
    return {FUnits + 1, static_cast<size_t>(FUnits[0] >> 2) & 3u};
  }

 private:
  char16_t FUnits[4] = {};
};
static_assert(sizeof(TCellText) == 8);

class TTextStore {
 public:
  TTextStore() = default;
  TTextStore(TTextStore&& other) noexcept;
  TTextStore& operator=(TTextStore&& other) noexcept;
  TTextStore(const TTextStore&) = delete;
  TTextStore& operator=(const TTextStore&) = delete;
  ~TTextStore();

  // The text; a short text is a view into `cell` itself.
  std::u16string_view View(const TCellText& cell) const {
    const uint64_t bits = cell.Bits();
    if ((bits & 2) == 0) return bits == 0 ? std::u16string_view(u"", 0) : cell.InlineText();
    const TBlock& block = FBlocks[(bits >> kBlockShift) & kBlockMask];
    const size_t length = (bits >> kLengthShift) & kLengthMask;
    return {block.Data + (bits >> kOffsetShift), length == kLongLength ? block.LongUnits : length};
  }

  // A text owned by one cell: a copy of `text`, which may lie in this store.
  TCellText Make(std::u16string_view text);
  // A shared text of `units` code units (more than kInlineUnits), held by
  // its maker; its code units are to be filled through `room` before the
  // store next changes. While its maker holds it, its count stays far above
  // the holders that let go of it, and the holders it was given to are
  // counted by the maker and settled in one step when the maker lets go
  // (Settle): cells are given a text without touching its memory.
  TCellText MakeShared(size_t units, char16_t*& room);
  // The maker of a shared text lets go of it, having given it to `holders`
  // holders.
  void Settle(TCellText text, uint64_t holders);
  // One more holder of a shared text; texts of other kinds are not counted.
  void AddRef(TCellText text);
  // A holder lets go of its text: an owned text goes, a shared one when its
  // last holder lets go.
  void Release(TCellText text);

  // Shared texts still in use.
  size_t SharedCount() const { return FSharedCount; }
  // Code units held by texts still in use, and by all blocks.
  size_t LiveUnits() const { return FLiveUnits; }
  size_t BlockUnits() const { return FBlockUnits; }
  size_t BlockCount() const { return FBlocks.size() - FFreeIds.size(); }

  // The same text in this store, for a store being compacted out of `from`:
  // an owned text is copied; a shared one is copied once, and later
  // holders get the copy (`from` is left unusable for shared texts).
  TCellText MoveFrom(TTextStore& from, TCellText text);

 private:
  static constexpr int kLengthShift = 2;
  static constexpr int kBlockShift = 24;
  static constexpr int kOffsetShift = 40;
  static constexpr uint64_t kLengthMask = (uint64_t{1} << 22) - 1;
  static constexpr uint64_t kBlockMask = (uint64_t{1} << 16) - 1;
  // A length this large is kept by the block, which then holds that text
  // alone.
  static constexpr size_t kLongLength = kLengthMask;
  // Blocks grow from 64 KiB to 2 MiB with the texts held, so that a small
  // table stays small; a text of more than a quarter of the largest block
  // gets a block of its own.
  static constexpr size_t kFirstBlockCapacity = size_t{1} << 15;
  static constexpr size_t kBlockCapacity = size_t{1} << 20;
  static constexpr size_t kOwnBlockUnits = kBlockCapacity / 4;
  // The count in front of a shared text: two code units.
  static constexpr size_t kCountUnits = 2;
  static constexpr uint32_t kMaxCount = 0xFFFFFFFE;   // never counted down
  static constexpr uint32_t kMakerHold = 0x80000000;  // the count while the maker holds it
  static constexpr uint32_t kMoved = 0xFFFFFFFF;      // compacted: the new place follows

  struct TBlock {
    char16_t* Data = nullptr;  // null for an id not in use
    size_t Capacity = 0;       // code units
    size_t Used = 0;
    size_t Live = 0;       // code units of texts still held, counts included
    size_t LongUnits = 0;  // the length of a block's only text, if long
  };

  TCellText Place(size_t units, bool shared, char16_t*& room);
  uint32_t NewBlock(size_t capacity);
  void FreeBlock(uint32_t id);
  void Drop(uint32_t block, size_t units);
  static uint32_t Count(const char16_t* text);
  static void SetCount(char16_t* text, uint32_t count);
  void FreeAll();

  std::vector<TBlock> FBlocks;
  std::vector<uint32_t> FFreeIds;
  uint32_t FCurrent = UINT32_MAX;  // the block new short texts go into
  size_t FLiveUnits = 0;
  size_t FBlockUnits = 0;
  size_t FSharedCount = 0;
};

}  // namespace tessary
