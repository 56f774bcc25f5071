/* The audio library the player loads at run time (solvane-audio.so, or
 * bass.dll on Windows).
 *
 * The player never links it: it copies the file, opens the copy with the
 * dynamic loader and looks every operation up by its name below, so these
 * names and argument lists are the whole contract. Everything has C linkage
 * and plain C types. The library plays through SDL2_mixer, one piece of music
 * at a time on the mixer's music channel.
 *
 * Conventions:
 * - Operations that succeed or fail return non-zero on success and 0 on
 *   failure. A handle is a non-zero unsigned number; 0 means "no handle".
 * - Every operation other than BASS_Init and BASS_Free fails while output is
 *   not open, and then does nothing.
 * - Calls may come from any thread; they are serialised inside the library.
 */
#ifndef SOLVANE_AUDIO_LIBRARY_H
#define SOLVANE_AUDIO_LIBRARY_H

/* The operations use the system's calling convention for libraries (Win32's
 * WINAPI), as the library they stand in for does: the default one on x64,
 * not on 32-bit x86. */
#if defined(_WIN32)
#define SOLVANE_AUDIO_CALL __stdcall
#else
#define SOLVANE_AUDIO_CALL
#endif

#if defined(SOLVANE_AUDIO_BUILD) && defined(_WIN32)
#define SOLVANE_AUDIO_API __declspec(dllexport)
#elif defined(SOLVANE_AUDIO_BUILD)
#define SOLVANE_AUDIO_API __attribute__((visibility("default")))
#else
#define SOLVANE_AUDIO_API
#endif

/* BASS_Init flags: one output channel instead of two. Other bits are ignored. */
#define SOLVANE_AUDIO_INIT_MONO 2u

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Output ------------------------------------------------------------ */

/* Opens audio output: 16-bit samples at `frequency` Hz (0 means 44100), one
 * channel when `flags` has SOLVANE_AUDIO_INIT_MONO, two otherwise. The output
 * runs at exactly that format; SDL converts for the device when it must.
 * `device`: -1 (or 0) is the system's default output; n >= 1 is the n-th
 * playback device SDL lists, or the default when SDL lists fewer.
 * `window` is ignored. Calling it again while output is open closes the
 * output first (freeing every loaded stream and module) and then opens it
 * with the new arguments. On failure nothing is left open and 0 is returned;
 * later operations then fail cleanly. The SDL audio driver is SDL's choice
 * (SDL_AUDIODRIVER picks one, e.g. "dummy" or "disk" on a machine without a
 * sound card). */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_Init(int device, unsigned frequency, unsigned flags, void* window);

/* Stops playing, frees every loaded stream and module, closes the output and
 * releases SDL audio and the decoders. Returns non-zero when output was open,
 * 0 when there was nothing to close (harmless). Closing also happens when the
 * library is unloaded or the process ends with output still open. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_Free(void);

/* Resumes the music after BASS_Pause (output itself runs from BASS_Init on).
 * Returns 0 when output is not open. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_Start(void);

/* Pauses the music; BASS_Start resumes it. Returns 0 when output is not open. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_Pause(void);

/* ---- Loading ------------------------------------------------------------- */

/* Both loaders take the same source:
 * - `memory` non-zero: `file` points to data in memory; the `length` bytes
 *   starting at `file + offset` are used (length 0 fails). The bytes are
 *   copied, so the caller's buffer may go away after the call.
 * - `memory` zero: `file` is a NUL-terminated path (const char*). The bytes
 *   from `offset` on are used: `length` of them, or everything to the end of
 *   the file when `length` is 0 (or reaches beyond the end). Only a regular
 *   file loads (a FIFO, device or folder fails at once). A stream is read
 *   from the open file as it plays, so its memory does not grow with the
 *   file; a module is read whole and fails beyond 64 MB.
 * The format is always taken from the contents, never from the file name.
 * `flags` is ignored. A handle stays valid until BASS_Free or the next
 * BASS_Init. */

/* Loads sampled audio (MP3, Ogg Vorbis, WAV, FLAC) as a stream. Module files
 * and anything unrecognised return 0. */
SOLVANE_AUDIO_API unsigned SOLVANE_AUDIO_CALL BASS_StreamCreateFile(int memory, const void* file, unsigned offset,
                                                 unsigned length, unsigned flags);

/* Loads a tracker module (MOD, XM, S3M, IT). Sampled audio and anything
 * unrecognised return 0. */
SOLVANE_AUDIO_API unsigned SOLVANE_AUDIO_CALL BASS_MusicLoad(int memory, const void* file, unsigned offset,
                                          unsigned length, unsigned flags);

/* ---- Playing ------------------------------------------------------------- */

/* Plays a stream from BASS_StreamCreateFile once from its start, replacing
 * whatever was playing. `flush` and `flags` are ignored. Returns 0 for an
 * unknown handle or a module's handle. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_StreamPlay(unsigned handle, int flush, unsigned flags);

/* Plays a module from BASS_MusicLoad once from its start, replacing whatever
 * was playing. Returns 0 for an unknown handle or a stream's handle. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_MusicPlay(unsigned handle);

/* ---- Transport --------------------------------------------------------------
 * Added after the first libraries went out: a player looks these two up
 * optionally and does without them when a library lacks them. */

/* Moves the music that plays, or is paused, to `milliseconds` from its start.
 * Paused music stays paused at the new place; playing music goes on from
 * there. MP3 and FLAC streams land on that very sample, Ogg Vorbis through
 * its decoder's own sample seek. WAV (and AIFF) are the exception, from
 * SDL_mixer 2.6's reader: they land on the whole second at or before the
 * time, after what was already read ahead (up to 4096 frames) has played.
 * Module music lands where the tracker library puts it: the row whose time,
 * reckoned from the module's length as if its tempo never changed, is
 * nearest; the position then starts from where the decoder says it landed,
 * or from the time asked for when it cannot say. A time at or
 * past the end of the music ends it as if it had played to there (it stops,
 * and GetPosition answers 0). Returns non-zero on success; 0 when nothing
 * plays, when output is not open, or when the decoder cannot seek (the music
 * then goes on as it was). */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_SetPosition(unsigned milliseconds);

/* The music's position in milliseconds from its start, of the samples being
 * handed to the audio device now: the start of the newest buffer the mixer
 * made (counted in samples from the last start or seek), plus the time since
 * that buffer was made, never beyond the buffer's end. So it rises smoothly
 * between buffers, never goes back except at a seek, and never counts what
 * the decoder has read ahead. While paused it stands still once the last
 * buffer of music has gone out (at most one buffer after the pause), and
 * resumes from there. A buffer is 2048 samples (46 ms at 44.1 kHz); the disk
 * and dummy drivers take it as it is made, so there the value is what the
 * output holds; a sound card's own queue may add up to about one buffer more
 * before the samples are heard. Returns non-zero and writes the value while
 * music plays or is paused; returns 0 and writes nothing when nothing plays,
 * when output is not open or when `milliseconds` is null. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_GetPosition(unsigned* milliseconds);

/* ---- Decoding ----------------------------------------------------------------
 * For the author tools that look into the music (tempo and beat): they hear it
 * through the very decoders the player plays it with. A player does without. */

/* Receives a whole decoded file: `frames` frames of `channels` interleaved
 * 16-bit samples at `frequency` Hz. `samples` is valid only during the call. */
typedef void (SOLVANE_AUDIO_CALL *SolvaneAudioPcmProc)(const short* samples, unsigned frames, unsigned frequency,
                                                       unsigned channels, void* user);

/* Decodes all of the sampled audio (MP3, Ogg Vorbis, WAV, FLAC) in the regular
 * file at `path`, with the same checks as BASS_StreamCreateFile, and hands it
 * to `proc` once before returning. Unlike the other operations it also works
 * while output is not open: it then opens the mixer on SDL's "dummy" driver
 * (nothing is heard) at the file's own sample rate (read from its header;
 * 44100 when the header does not say), with one channel when `flags` has
 * SOLVANE_AUDIO_INIT_MONO, and closes it again. While output is open (or
 * another copy of the library in the process has the mixer open) the samples
 * come in that output's format instead, and what plays goes on. The other
 * operations of this library wait while it decodes (about half a second for
 * five minutes of MP3).
 * Returns non-zero when `proc` was called; 0 for a missing, unreadable or
 * undecodable file, a null `proc`, or when the mixer cannot open. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_DecodeFile(const char* path, unsigned flags,
                                                                SolvaneAudioPcmProc proc, void* user);

/* ---- Operations that do nothing ------------------------------------------ */

/* The callback BASS_ChannelSetSync accepts; the library never calls it. */
typedef void (SOLVANE_AUDIO_CALL *SolvaneAudioSyncProc)(unsigned sync, unsigned channel, unsigned data, void* user);

/* Always 0 ("no error"). */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_ErrorGetCode(void);
/* Always 0.0f. */
SOLVANE_AUDIO_API float SOLVANE_AUDIO_CALL BASS_GetCPU(void);
/* Accepts any volume and changes nothing; always non-zero. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_SetVolume(unsigned volume);
/* Always 0 (not active). */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_ChannelIsActive(unsigned handle);
/* Always 0 (no flags). */
SOLVANE_AUDIO_API unsigned SOLVANE_AUDIO_CALL BASS_ChannelGetFlags(unsigned handle);
/* Changes nothing; always 0. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_ChannelSetAttributes(unsigned handle, int frequency, int volume, int pan);
/* Always 0; the pointed-to values are left as they are (null pointers are fine). */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL BASS_ChannelGetAttributes(unsigned handle, unsigned* frequency, unsigned* volume,
                                                int* pan);
/* Always 0. */
SOLVANE_AUDIO_API unsigned SOLVANE_AUDIO_CALL BASS_ChannelGetPosition(unsigned handle);
/* Always 0. */
SOLVANE_AUDIO_API unsigned SOLVANE_AUDIO_CALL BASS_ChannelGetLevel(unsigned handle);
/* Registers nothing; `proc` is never called. Always 0 (no sync handle). */
SOLVANE_AUDIO_API unsigned SOLVANE_AUDIO_CALL BASS_ChannelSetSync(unsigned handle, unsigned type, unsigned param,
                                               SolvaneAudioSyncProc proc, void* user);

/* ---- For tests only (the player does not use these) ---------------------- */

/* The format output actually runs at. Returns 0 (and leaves the values as
 * they are) when output is not open. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_OpenedFormat(int* frequency, int* channels);
/* Non-zero while music is playing (paused music counts as playing). */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_Playing(void);
/* Non-zero while music is paused. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_Paused(void);
/* Frees one loaded stream or module at once (stopping it if it plays), so a
 * caller that loads many need not close the output to get the memory back.
 * Returns 0 when the handle is unknown or output is not open. */
SOLVANE_AUDIO_API int SOLVANE_AUDIO_CALL SolvaneAudio_FreeMusic(unsigned handle);

/* ---- Pointer types for looking the operations up ------------------------- */

typedef int (SOLVANE_AUDIO_CALL *BASS_InitFn)(int, unsigned, unsigned, void*);
typedef int (SOLVANE_AUDIO_CALL *BASS_FreeFn)(void);
typedef int (SOLVANE_AUDIO_CALL *BASS_StartFn)(void);
typedef int (SOLVANE_AUDIO_CALL *BASS_PauseFn)(void);
typedef unsigned (SOLVANE_AUDIO_CALL *BASS_StreamCreateFileFn)(int, const void*, unsigned, unsigned, unsigned);
typedef unsigned (SOLVANE_AUDIO_CALL *BASS_MusicLoadFn)(int, const void*, unsigned, unsigned, unsigned);
typedef int (SOLVANE_AUDIO_CALL *BASS_StreamPlayFn)(unsigned, int, unsigned);
typedef int (SOLVANE_AUDIO_CALL *BASS_MusicPlayFn)(unsigned);
typedef int (SOLVANE_AUDIO_CALL *BASS_ErrorGetCodeFn)(void);
typedef float (SOLVANE_AUDIO_CALL *BASS_GetCPUFn)(void);
typedef int (SOLVANE_AUDIO_CALL *BASS_SetVolumeFn)(unsigned);
typedef int (SOLVANE_AUDIO_CALL *BASS_ChannelIsActiveFn)(unsigned);
typedef unsigned (SOLVANE_AUDIO_CALL *BASS_ChannelGetFlagsFn)(unsigned);
typedef int (SOLVANE_AUDIO_CALL *BASS_ChannelSetAttributesFn)(unsigned, int, int, int);
typedef int (SOLVANE_AUDIO_CALL *BASS_ChannelGetAttributesFn)(unsigned, unsigned*, unsigned*, int*);
typedef unsigned (SOLVANE_AUDIO_CALL *BASS_ChannelGetPositionFn)(unsigned);
typedef unsigned (SOLVANE_AUDIO_CALL *BASS_ChannelGetLevelFn)(unsigned);
typedef unsigned (SOLVANE_AUDIO_CALL *BASS_ChannelSetSyncFn)(unsigned, unsigned, unsigned, SolvaneAudioSyncProc, void*);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_OpenedFormatFn)(int*, int*);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_PlayingFn)(void);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_PausedFn)(void);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_FreeMusicFn)(unsigned);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_SetPositionFn)(unsigned);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_GetPositionFn)(unsigned*);
typedef int (SOLVANE_AUDIO_CALL *SolvaneAudio_DecodeFileFn)(const char*, unsigned, SolvaneAudioPcmProc, void*);

#ifdef __cplusplus
}
#endif

#endif /* SOLVANE_AUDIO_LIBRARY_H */
