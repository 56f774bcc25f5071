// A demo's music as plain samples for the author tools that look into it
// (solvane-render --analyze-music, solvane-live's beat grid). It decodes
// through the same audio library the player loads, so the tools hear exactly
// what the demo plays; it never plays anything itself.
#pragma once

#include <string>
#include <vector>

// Decoded music, downmixed to one channel, at the file's own sample rate (or
// at the rate of the audio output, when the process has one open).
struct MusicPcm {
  int rate = 0;             // samples per second; 0 when nothing was decoded
  std::vector<float> mono;  // -1..1
};

// Decodes the whole file at path (MP3, Ogg Vorbis, WAV, FLAC) through the
// audio library: audioLibrary, or when that is empty the one built beside the
// running program (solvane-audio.so; bass.dll on Windows). On failure returns
// false, leaves pcm empty and puts one line saying why into error.
bool DecodeMusic(const std::string& path, MusicPcm& pcm, std::string& error,
                 const std::string& audioLibrary = "");
