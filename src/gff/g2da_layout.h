// The parts of a table file that its reader and writer share: the labels
// of the fields and the container's field types that tables use.
#pragma once

#include <cstdint>

namespace tessary {

inline constexpr uint32_t kLabelColumnHash = 10001;
inline constexpr uint32_t kLabelColumnList = 10002;
inline constexpr uint32_t kLabelRowList = 10003;
inline constexpr uint32_t kLabelFirstValue = 10005;
inline constexpr uint32_t kLabelColumnType = 10999;

// Field type ids of the container.
inline constexpr uint16_t kFieldUInt8 = 0;
inline constexpr uint16_t kFieldUInt32 = 4;
inline constexpr uint16_t kFieldInt32 = 5;
inline constexpr uint16_t kFieldFloat32 = 8;
inline constexpr uint16_t kFieldString = 14;

}  // namespace tessary
