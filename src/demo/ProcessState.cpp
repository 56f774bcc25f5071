#include "ProcessState.h"

#include "KolClassRegistry.h"
#include "KolDataSource.h"
#include "KolLog.h"
#include "KolText.h"
#include "Platform.h"
#include "ProgramEntry.h"
#include "ProgramLocation.h"
#include "ScriptDiagnostics.h"
#include "VBitmap.h"
#include "VDemo.h"
#include "VDialog.h"
#include "VListBox.h"
#include "VSound.h"
#include "VSoundBass.h"
#include "VSourceGravityParticle.h"
#include "VSurface.h"
#include "VWindowSurface.h"

void ResetProcessState() {
  TheLog().ResetForTest();
  SetDefaultLoadSource(nullptr);
  SetDefaultStoreSource(nullptr);
  ResetTextErrorLatchForTest();
  ResetScriptDiagnosticsForTest();
  ClearImageLoadProblem();
  TheClassRegistry().ResetForTest();
  ResetParticlesForTest();
  SetCurrentSurface(nullptr);
  ResetSurfaceInputForTest();
  ResetDialogsForTest();
  ResetListBoxesForTest();
  TheSound().Stop();
  TheSound().soundFlags = 0;
  ResetAudioLibraryForTest();
  ResetDemoDataSourcesForTest();
  ResetProgramLocationForTest();
  SetFramesPolled(false);
  plat::ResetTerminationForTest();
}
