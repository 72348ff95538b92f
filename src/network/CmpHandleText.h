#pragma once
// Texts and numbers read from frame bodies.
#include <cstddef>
#include <cstdint>

#include "foundation/WideText.h"

// The UTF-8 text in a fixed field of `width` bytes, ended at the field's last byte at the
// latest, as wide text. The frame itself is not written to.
WString CmpFieldText(const std::uint8_t* field, std::size_t width);
// A little-endian IEEE single.
float CmpReadFloat(const std::uint8_t* p);
