// A copy into memory another process reads next: the SDL backend's frames
// going into X shared memory. Plain memcpy semantics; only the stores differ.
#pragma once

#include <cstddef>

namespace plat::sdl {

// Copies bytes like memcpy. The target's cache lines were last in the X
// server's core: an ordinary copy would read each line back before writing
// it, which costs several times the copy itself. Streaming stores write whole
// lines without reading them.
void StreamCopy(void* to, const void* from, std::size_t bytes);

}  // namespace plat::sdl
