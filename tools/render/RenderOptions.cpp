#include "RenderOptions.h"

#include <vector>

#include "CommandLineOptions.h"

namespace {

// An option that names something to render: at least one must be given.
CommandLineOption Mode(CommandLineOption option, bool& mode) {
  return {option.name, option.valueCount,
          [take = option.take, &mode](const char* const* values, std::string& refusal) {
            return take(values, refusal) && (mode = true);
          }};
}

}  // namespace

const char* RenderUsage() {
  return "usage: solvane-render [options] MODE...\n"
         "Runs the demo's set-up on the headless backend and renders frames at\n"
         "t = from + k / fps, so the output is the same on every run.\n"
         "\n"
         "modes (at least one):\n"
         "  --check               set-up only, with hints on errors and warnings about\n"
         "                        likely mistakes (exit 0 clean, 1 errors, 2 warnings only)\n"
         "  --strip FILE.png      one row per frame: the whole demo in one picture\n"
         "  --frames DIR          one 640x480 PNG per frame (DIR/frame_000000.png, ...)\n"
         "  --frame SECONDS FILE.png  one frame at one time\n"
         "  --video FILE          raw frames piped to ffmpeg, with the demo's music muxed in\n"
         "  --analyze-music FILE  no rendering: decodes FILE through the audio library and\n"
         "                        prints \"tempo 128.00 BPM, first beat at 0.350 s\" (or\n"
         "                        \"no beat found\"), then how sure it is, why that tempo\n"
         "                        and not its half or double, and the bar if it can tell\n"
         "options:\n"
         "  --data PATH           a zip archive or a data directory (default: solvane.dat,\n"
         "                        else data/, beside this program)\n"
         "  --music FILE          the video's music (default: my.mp3 beside my.dat, D.mp3\n"
         "                        or the only .mp3 beside a data directory D)\n"
         "  --fps N               frames per second (default 50)\n"
         "  --from S              first frame time in seconds (default 0)\n"
         "  --to S                end time, exclusive (default: the demo's end time)\n"
         "  --help                this text\n"
         "Hints (\"hint: \" explains an error, \"warning: \" a likely mistake that does\n"
         "not stop the demo) follow the demo's own log lines.\n"
         "exit: 0 done, 1 set-up error, failed output or music that will not decode,\n"
         "      2 bad arguments;\n"
         "      with --check also 2 when the set-up loads but warned\n";
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
  bool mode = false;
  const std::vector<CommandLineOption> table = {
      Mode(FlagOption("--check", options.check), mode),
      Mode(TextOption("--strip", options.stripPath), mode),
      Mode(TextOption("--frames", options.framesDir), mode),
      Mode({"--frame", 2,
            [&options](const char* const* values, std::string& refusal) {
              options.framePath = values[1];
              return ReadNumber("--frame", values[0], {}, options.frameTime, refusal);
            }},
           mode),
      Mode(TextOption("--video", options.videoPath), mode),
      Mode(TextOption("--analyze-music", options.analyzeMusicPath), mode),
      TextOption("--data", options.dataPath),
      TextOption("--music", options.musicPath),
      NumberOption("--fps", {0.0, 1000.0, true}, options.fps),
      NumberOption("--from", {}, options.from),
      NumberOption("--to", {0.0}, options.to),
  };
  if (!ParseCommandLine(argc, argv, table, options.help, error)) return false;
  if (!mode && !options.help) {
    error = "nothing to do: give --check, --strip, --frames, --frame or --video";
    return false;
  }
  return true;
}
