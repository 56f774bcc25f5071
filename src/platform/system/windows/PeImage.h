// The check a DLL passes before LoadLibrary is handed it. The loader maps
// sections as the file's headers describe them; a library cut short, or with
// headers pointing outside itself, must be refused here rather than fail in
// ways the loader does not promise to handle. Used by LoadRuntimeLibrary only;
// it never loads or runs anything.
#pragma once

namespace plat {

// Whether the regular file at path is a PE image of this build's machine,
// marked as a DLL, whose headers and every section's raw data lie within the
// file. A pipe or device fails at once.
bool IsWholePeImage(const char* path);

}  // namespace plat
