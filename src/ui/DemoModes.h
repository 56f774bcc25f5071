// The two choices the start dialog makes for a demo: how the music plays and
// how the picture is shown. The demo holds them; the dialog writes them.
#pragma once

enum DemoSoundMode { kSoundNone = 1, kSoundMono = 2, kSoundStereo = 3 };
enum DemoDisplayMode { kDisplayFullScreenPixels = 1, kDisplayFullScreenExclusive = 2, kDisplayWindowed = 3 };

struct DemoModes {
  int soundMode = kSoundStereo;
  int displayMode = kDisplayWindowed;
};
