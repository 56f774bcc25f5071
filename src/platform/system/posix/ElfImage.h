// The check a shared object passes before the dynamic loader is handed it.
// The loader maps segments as the file's headers describe them, and touching
// a page past the end of a short file is a SIGBUS inside dlopen: a library cut
// short or with headers pointing outside itself must be refused here instead.
// Used by LoadRuntimeLibrary only; it never loads or runs anything.
#pragma once

namespace plat {

// Whether the regular file at path is an ELF shared object of this build's
// class, byte order and machine whose segment headers, loadable segments and
// dynamic section all lie within the file. A FIFO or device fails at once.
bool IsWholeElfImage(const char* path);

}  // namespace plat
