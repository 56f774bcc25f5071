// Where the program lives: its directory (with the trailing separator, possibly
// empty) and its base name (the file name up to its first dot). The data
// archive and the music are found beside the executable under that name.
#pragma once

#include <string>

const std::string& ProgramDirectory();
const std::string& ProgramName();
// The program directory followed by name, one leading and one trailing double
// quote removed from name.
std::string ProgramFile(const char* name);
// Splits a path into directory and base name as above.
void SplitProgramPath(const std::string& path, std::string& directory, std::string& name);
// Tests only: compute the location again from the platform's program path.
void ResetProgramLocationForTest();
