#pragma once
// PPMd variant I revision 1 (zip method 98): two bytes of parameters (the model's order, its
// memory, how it goes on when that is full), then range-coded data for exactly the entry's size.
// The model takes whole bytes from its input as it needs them, so input is fetched, not pushed.
#include <cstdint>
#include <functional>
#include <span>

#include "engine/engine.h"

namespace zip {

// Hands over the next input, empty once there is none.
using Fetch = std::function<Error(std::span<const std::uint8_t>&)>;
// Takes the next stretch of output.
using Emit = std::function<Error(std::span<const std::uint8_t>)>;

// Decodes `size` bytes through `buffer`, stretch by stretch.
Error DecodePpmd(std::uint64_t size, const Fetch& fetch, std::span<std::uint8_t> buffer, const Emit& emit);

}  // namespace zip
