// The demo object: one run of the demo from set-up to finish. It owns the
// surface, the main colour line and the effect list, which holds the effects
// in the order the frame combines them. The demo-script reader fills that list
// directly, so the readers depend on nothing above the engine core.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DemoModes.h"
#include "DemoRelease.h"
#include "VColorLine.h"
#include "VEffect.h"
#include "VList.h"
#include "VSurface.h"

class KolData;
class KolText;

// The data member the music player loads its audio library from.
constexpr const char* kAudioLibraryMember = "bass.dll";

// The sound and display modes are the demo's DemoModes, which the start dialog
// writes.
class VDemo : public DemoModes {
 public:
  VDemo() = default;
  // Clears the current surface if it is this demo's, then destroys the surface.
  ~VDemo();
  VDemo(const VDemo&) = delete;
  VDemo& operator=(const VDemo&) = delete;

  // Data sources, surface, main line, scripts and clock; failures show in the
  // log's record count.
  void Setup();
  // Setup's steps, in its order, for tools that run only some of them (a live
  // reload reads the scripts again onto the surface it already shows).
  // Opens the data (archive, else directory) as the default load source, the
  // current directory as the default store source, and names the audio
  // library's source; false when no data could be opened (abandoned).
  bool OpenData();
  // Reads the release's name (Release.txt) from the data, opened for that
  // alone, before the start dialog shows it. Data that is missing says
  // nothing here: OpenData says so when the demo starts, as it always has.
  void ReadRelease();
  // Makes the surface of the display mode, current, created and initialised.
  void CreateSurface();
  // Sizes the main line to the current surface, reads the demo script with the
  // lexer, and (only when no error is recorded) prepares the effects and sets
  // the end time. False when an error is recorded.
  bool LoadScripts(KolText& lexer);
  // Starts the music of the sound mode and then the clock at 0.
  void StartMusicAndClock();
  // Setup, the frame loop, Finish. Returns at once if set-up failed.
  void Run();
  // The frame loop in pieces, for a host that cannot block (the browser
  // calls Step from its animation frames). Begin is Setup and the loop's
  // preparation; false when set-up failed (a full screen already set up is
  // closed again, and Finish is not called).
  bool Begin();
  // One pass of the loop at the clock's time now: a frame when one is due
  // (the first at once, then one whenever more than 20 ms have passed since
  // the last), then the end checks and the messages. False when the loop is
  // over: the end time reached, an error recorded or a quit asked for.
  // rendered, when given, tells whether a frame was drawn.
  bool Step(bool* rendered = nullptr);
  // Dispatches the queued messages (a quit message is dropped: it does not
  // end the demo); false when they asked the demo to quit.
  bool DispatchMessages();
  // One frame at the clock's current time.
  void RenderFrame();
  // Renders one frame at time t (seconds), whatever the clock says.
  void RenderFrameAt(float t);
  // RenderFrameAt without the Unlock that shows it: the current surface stays
  // locked with the frame in its pixels, for a tool to draw over before its
  // own Unlock. Null when there is no current surface.
  VSurface* ComposeFrameAt(float t);
  void Finish();

  // Where Setup finds the data. By default the archive "<program directory>
  // <program name>.dat", then the directory "data" beside the program. An empty
  // archive path goes straight to the directory; an empty directory path gives
  // up when the archive does not open.
  void SetDataLocation(const std::string& archive, const std::string& directory);
  // Makes Setup (and ReadRelease) open this archive image, held in memory,
  // as it would the archive file; name stands for its path in log lines.
  // The bytes are shared, so the data source keeps them while it is open.
  void SetDataImage(std::shared_ptr<const std::vector<unsigned char>> image,
                    const std::string& name);

  // Takes the effect and links it at the front of the effect list.
  void AddEffect(std::unique_ptr<VEffect> effect) { effects.AddEffect(std::move(effect)); }

  DemoRelease release;
  VList effects;
  std::unique_ptr<VSurface> surface;
  // The surface window's class; null: the viewer's, one per desktop.
  const char* windowClass = nullptr;
  VColorLine mainLine;
  int endTime = 0;
  // True when neither the archive nor the data directory could be opened;
  // the first line that said so.
  bool abandoned = false;
  std::string abandonReason;
  // Frames rendered by Run and RenderFrame.
  int framesRendered = 0;
  // The host plays the music itself (the browser page): the sound mode is
  // only recorded, and no audio library is looked for.
  bool hostPlaysMusic = false;

 private:
  // The default data location unless one was set.
  void ResolveDataLocation();
  // Sleeps until the frame after the one at lastFrame (ms) is due, the end
  // is reached or input comes.
  void WaitForNextFrame(int lastFrame, int endMilliseconds);

  // Opens the archive (file or image) into data; 0 when it opened.
  int OpenArchive(KolData& data) const;

  bool locationSet_ = false;
  std::shared_ptr<const std::vector<unsigned char>> dataImage_;
  int lastFrame_ = 0;        // ms of the last frame the loop drew; 0 none yet
  int endMilliseconds_ = 0;  // the first clock reading at the end time
  std::string archivePath_;
  std::string dataDirectory_;
  std::string musicPath_;  // "<program directory><program name>.mp3", alive while it plays
};

// The two long-lived data sources: the demo's data (archive or directory) and
// the output directory. Their back ends become the default load and store sources.
KolData& TheInputDataSource();
KolData& TheOutputDataSource();
// The frame loop sleeps between frames until the next is due or input comes.
// Polled, it spins on the clock without pause as first designed; kept so the
// two can be measured against each other.
void SetFramesPolled(bool polled);
bool FramesPolled();

// Tests only: close both sources.
void ResetDemoDataSourcesForTest();
