#pragma once
// The configuration image file: the magic, then keyboard memory from the first
// image address on, so that file offset k holds keyboard address k.
#include <cstdint>

#include "include/kbp_protocol.h"

namespace kbp {

constexpr std::uint8_t kImageMagic[KBP_IMAGE_MAGIC_SIZE] = {KBP_IMAGE_MAGIC[0], KBP_IMAGE_MAGIC[1],
                                                            KBP_IMAGE_MAGIC[2], KBP_IMAGE_MAGIC[3]};
static_assert(sizeof KBP_IMAGE_MAGIC == KBP_IMAGE_MAGIC_SIZE + 1);
constexpr std::int32_t kFirstImageAddress = KBP_IMAGE_FIRST_ADDRESS;
constexpr std::int32_t kImageEndField = KBP_IMAGE_END_FIELD;

}  // namespace kbp
