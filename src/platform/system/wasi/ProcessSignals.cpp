// WASI has no signals: nothing ends the module from outside but its host,
// which calls sv_finish rather than sending anything.
#include "Platform.h"

namespace plat {

void PrepareProcess() {}

void CatchTerminationSignals() {}

bool TerminationRequested() { return false; }

void ResetTerminationForTest() {}

}  // namespace plat
