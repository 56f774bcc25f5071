// One error or warning report kept by the message log. Records are only ever
// added; their count is the program-wide "something went wrong" signal.
#pragma once

#include <string>

struct KolLogRecord {
  int kind = 0;            // 1 warning, 2 error (plain messages are never recorded)
  int moduleCode = 0;      // which module reported it (see KolLog.h)
  std::string moduleName;  // e.g. "KolText"
  int detailCode = 0;      // meaning is the module's own (the lexer puts its error code here)
  std::string text;        // the message without "Error: "/"Warning: " and without the added line end
};
