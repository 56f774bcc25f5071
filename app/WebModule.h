// The demo as a WebAssembly module for a web page: what the page calls, with
// C linkage and exported by these names. The page owns time (the audio
// clock's position), the music, the key events and the canvas; the module
// owns the demo's data, its set-up and its frames. Log lines and key marks go
// to standard output in kol.log's text. Nothing here blocks: the page calls
// sv_frame from its animation frames instead of a frame loop.
#pragma once

#ifdef __wasm__
#define SV_EXPORT(name) __attribute__((export_name(name)))
#else
#define SV_EXPORT(name)
#endif

extern "C" {

// Memory for the page to fill (the data archive); null when none is left.
SV_EXPORT("sv_alloc") unsigned char* sv_alloc(int size);
SV_EXPORT("sv_free") void sv_free(unsigned char* bytes);

// Hands the demo's data archive (the .dat zip) to the module, which owns the
// bytes from then on (they come from sv_alloc). 0 ok, else nothing was taken.
SV_EXPORT("sv_set_data") int sv_set_data(unsigned char* bytes, int size);

// The set-up alone, as "solvane-render --check" runs it; the number of errors
// recorded (at least 1 when the data could not be opened).
SV_EXPORT("sv_check") int sv_check();

// The release's title (Release.txt), or "Solvane" when it names none.
SV_EXPORT("sv_release_title") const char* sv_release_title();

// The start dialog's title picture (the release's own banner, else the
// bundled one), 0x00RRGGBB rows top to bottom: its address, and its size
// through width and height; 0 when there is none.
SV_EXPORT("sv_title_picture") int sv_title_picture(int* width, int* height);

// Starts the demo as the dialog's Start does. sound: 0 Stereo, 1 Mono,
// 2 No Sound (only recorded: the page plays the music); display: 0 Full
// Screen, 1 Windowed. 0 ok, else the number of errors (the log said them).
SV_EXPORT("sv_start") int sv_start(int sound, int display);

// One animation frame of the page at the audio clock's position (ms): 1 a
// frame was rendered, 0 none was due (20 ms rule), -1 the demo has ended.
SV_EXPORT("sv_frame") int sv_frame(double milliseconds);

// A key from the page (a Win32 virtual-key code, Escape 27), pressed and
// released; -1 when it ended the demo, else 0.
SV_EXPORT("sv_key") int sv_key(int virtualKey);

// The frame the page shows: its address (0x00RRGGBB rows top to bottom) and size.
SV_EXPORT("sv_pixels") int sv_pixels();
SV_EXPORT("sv_width") int sv_width();
SV_EXPORT("sv_height") int sv_height();

// A fresh set-up and the frame at t seconds into sv_pixels, exactly as
// "solvane-render --frame t" draws it. 0 ok.
SV_EXPORT("sv_still") int sv_still(double seconds);

// Ends the running demo; sv_start may be called again.
SV_EXPORT("sv_finish") void sv_finish();

}  // extern "C"
