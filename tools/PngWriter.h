// Writes 32-bit pixel rows (0x00RRGGBB words) as an 8-bit RGB PNG. The fourth
// byte is never displayed, so it is not written as transparency.
#pragma once

#include <cstdint>
#include <string>

// Returns false (with a reason in error) when the file cannot be written.
bool WritePng(const std::string& path, const std::uint32_t* pixels, int width, int height,
              std::string& error);
