// solvane-pack --preflight: a release checked the way a demo party's
// organisers check an entry. Each rule is one line, PASS, FAIL or WARN, with
// what was seen; the rules that run the demo are preflight-run.sh's, beside
// the tool.
#pragma once

#include <string>

// Returns the exit code: 0 when no rule failed, 1 otherwise.
int RunPreflight(const std::string& release, const std::string& programDirectory);
