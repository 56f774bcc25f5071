// The start dialog's pictures, drawn by make-start-resources: the title
// picture (200 x 40, 24-bit colour as 0x00RRGGBB, no alpha) and the program
// icon in two sizes (16 colours each, 0xAARRGGBB with alpha 0 or 255).
#pragma once

#include <cstdint>

// Rows top to bottom, 200 pixels each.
extern const std::uint32_t kTitlePicturePixels[200 * 40];
// Rows top to bottom; transparent pixels are 0.
extern const std::uint32_t kIconPixels32[32 * 32];
extern const std::uint32_t kIconPixels16[16 * 16];
