// Writes the seed corpora of the harnesses: fuzz-make-seeds <fuzz folder>
// fills <fuzz folder>/corpus/<harness>/ with small inputs made here, from
// scripts written out below, images drawn and encoded with our own codecs,
// zip archives assembled byte by byte, object files stored through KolFile,
// and audio files built by hand (WAV and the four module formats). The
// compressed audio seeds (MP3, Ogg, FLAC) are encoded from the WAV by
// fuzz/make-seeds.sh. Nothing here comes from outside the project.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "KolClassRegistry.h"
#include "KolData.h"
#include "KolDataMemory.h"
#include "KolFile.h"
#include "VBitmap.h"
#include "VBitmapJpegCodec.h"
#include "VBitmapTgaCodec.h"

namespace {

std::filesystem::path gCorpus;
int gWritten = 0;

void Seed(const char* harness, const std::string& name, const std::string& bytes) {
  const std::filesystem::path dir = gCorpus / harness;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ++gWritten;
}

std::string Le16(unsigned v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Be16(unsigned v) {
  return {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}
std::string Zeros(std::size_t n) { return std::string(n, '\0'); }
// text padded with zeros (or cut) to n bytes
std::string Field(const std::string& text, std::size_t n) {
  std::string out = text.substr(0, n);
  out.resize(n, '\0');
  return out;
}

// ---- Images, through our own codecs ---------------------------------------

// A w x h picture: a gradient, or grey when components is 1.
std::unique_ptr<VBitmap> Picture(int w, int h, int components) {
  auto b = std::make_unique<VBitmap>();
  b->width = w;
  b->height = h;
  b->depth = components == 1 ? kB08 : components == 3 ? kB24 : kB32;
  b->order = components == 1 ? kGray : kBgr;
  b->horizontal = kLeft;
  b->vertical = kDown;
  auto pixels = VBitmap::AllocatePixels(w, h, components);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < components; ++c)
        pixels[(y * w + x) * components + c] =
            static_cast<std::uint8_t>((x * 255) / (w > 1 ? w - 1 : 1) * (c != 1) +
                                      (y * 255) / (h > 1 ? h - 1 : 1) * (c != 0) / 2);
  b->SetPixels(std::move(pixels));
  return b;
}

// The file one codec writes for the picture.
template <typename Codec>
std::string Encode(VBitmap& picture) {
  KolDataMemory files;
  SetDefaultStoreSource(&files);
  {
    KolData stream(true);
    if (stream.OpenWrite("out") != 0) return {};
    Codec codec(picture, stream);
    if (codec.Write() != 0) return {};
    stream.CloseFile();
  }
  SetDefaultStoreSource(nullptr);
  const std::string* written = files.Find("out");
  return written ? *written : std::string();
}

std::string Tga(int w, int h, int components) {
  auto p = Picture(w, h, components);
  return Encode<VBitmapTgaCodec>(*p);
}
std::string Jpeg(int w, int h, int components) {
  auto p = Picture(w, h, components);
  return Encode<VBitmapJpegCodec>(*p);
}

// ---- Zip archives, assembled here ------------------------------------------

struct Member {
  std::string name;
  std::string data;
  int method = 8;      // 0 stored, 8 deflated, anything else as given (data stored raw)
  unsigned flags = 0;  // bit 0: encrypted
  bool badCrc = false;
  std::int64_t claimedSize = -1;  // the uncompressed size written, when not the real one
};

std::string Deflate(const std::string& data) {
  z_stream z = {};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Zip(const std::vector<Member>& members) {
  std::string body, directory;
  for (const Member& m : members) {
    const std::string packed = m.method == 8 ? Deflate(m.data) : m.data;
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    if (m.badCrc) crc ^= 0x5A5A5A5Au;
    const std::uint32_t size = static_cast<std::uint32_t>(
        m.claimedSize >= 0 ? m.claimedSize : static_cast<std::int64_t>(m.data.size()));
    const std::string common = Le16(20) + Le16(m.flags) + Le16(static_cast<unsigned>(m.method)) +
                               Le16(0) + Le16(0x21) + Le32(crc) +
                               Le32(static_cast<std::uint32_t>(packed.size())) + Le32(size) +
                               Le16(static_cast<unsigned>(m.name.size())) + Le16(0);
    const std::uint32_t offset = static_cast<std::uint32_t>(body.size());
    body += "PK\x03\x04" + common + m.name + packed;
    directory += "PK\x01\x02" + Le16(20) + common + Le16(0) + Le16(0) + Le16(0) + Le32(0) +
                 Le32(offset) + m.name;
  }
  const auto count = static_cast<unsigned>(members.size());
  return body + directory + "PK\x05\x06" + Le16(0) + Le16(0) + Le16(count) + Le16(count) +
         Le32(static_cast<std::uint32_t>(directory.size())) +
         Le32(static_cast<std::uint32_t>(body.size())) + Le16(0);
}

// ---- Object files, stored through KolFile ----------------------------------

std::string ObjectFile(const std::vector<KolObject*>& objects) {
  KolDataMemory files;
  SetDefaultStoreSource(&files);
  {
    KolFile file(true);
    if (file.OpenWrite("object.kol") != 0) return {};
    for (KolObject* o : objects) {
      KolObject* object = o;
      if (file.TransferObject(object) != 0) return {};
    }
    if (file.CloseFile() != 0) return {};
  }
  SetDefaultStoreSource(nullptr);
  const std::string* written = files.Find("object.kol");
  return written ? *written : std::string();
}

// ---- Audio, built by hand ---------------------------------------------------

// 16-bit mono PCM: a 440 Hz square wave fading out.
std::string Wav(int rate, int samples) {
  std::string pcm;
  for (int i = 0; i < samples; ++i) {
    const int level = 12000 * (samples - i) / samples;
    const int v = ((i * 440 * 2 / rate) & 1) ? level : -level;
    pcm += Le16(static_cast<unsigned>(v) & 0xFFFF);
  }
  return "RIFF" + Le32(static_cast<std::uint32_t>(36 + pcm.size())) + "WAVE" + "fmt " + Le32(16) +
         Le16(1) + Le16(1) + Le32(static_cast<std::uint32_t>(rate)) +
         Le32(static_cast<std::uint32_t>(rate * 2)) + Le16(2) + Le16(16) + "data" +
         Le32(static_cast<std::uint32_t>(pcm.size())) + pcm;
}

// AIFF with 16-bit frames of silence at 8000 Hz; channels as given, since
// SDL_mixer once divided by its low byte (see AudioModule.cpp).
std::string Aiff(unsigned channels, int frames) {
  auto be32 = [](std::uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); };
  const std::string rate = std::string("\x40\x0B\xFA", 3) + Zeros(7);  // 8000 as 80-bit float
  const std::string comm = "COMM" + be32(18) + Be16(channels) +
                           be32(static_cast<std::uint32_t>(frames)) + Be16(16) + rate;
  const std::string sound =
      Zeros(static_cast<std::size_t>(frames) * 2 * (channels & 0xFF ? channels : 1));
  const std::string ssnd =
      "SSND" + be32(static_cast<std::uint32_t>(8 + sound.size())) + be32(0) + be32(0) + sound;
  const std::string body = "AIFF" + comm + ssnd;
  return "FORM" + be32(static_cast<std::uint32_t>(body.size())) + body;
}

// 32 bytes of a square wave, signed or unsigned 8-bit.
std::string SampleBytes(bool isSigned) {
  std::string s;
  for (int i = 0; i < 32; ++i) {
    const int v = (i / 8) % 2 ? 100 : -100;
    s += static_cast<char>(isSigned ? v : v + 128);
  }
  return s;
}

// A 4-channel Protracker module: one sample, one pattern, one note.
std::string Mod() {
  std::string out = Field("solvane seed", 20);
  out += Field("square", 22) + Be16(16) + '\0' + '\x40' + Be16(0) + Be16(16);  // loops whole
  for (int i = 1; i < 31; ++i) out += Zeros(22) + Be16(0) + '\0' + '\0' + Be16(0) + Be16(1);
  out += '\x01';  // song length
  out += '\x7F';
  out += Zeros(128);  // order: pattern 0
  out += "M.K.";
  std::string pattern = Zeros(64 * 4 * 4);
  const unsigned period = 428;  // C-2
  pattern[0] = static_cast<char>(0x00 | (period >> 8));
  pattern[1] = static_cast<char>(period & 0xFF);
  pattern[2] = static_cast<char>(0x10);  // sample 1, no effect
  return out + pattern + SampleBytes(true);
}

// A FastTracker 2 module: one instrument with one sample, one pattern.
std::string Xm() {
  std::string out = "Extended Module: " + Field("solvane seed", 20) + '\x1A' +
                    Field("solvane", 20) + Le16(0x0104);
  std::string header =
      Le16(1) + Le16(0) + Le16(4) + Le16(1) + Le16(1) + Le16(1) + Le16(6) + Le16(125) + Zeros(256);
  out += Le32(static_cast<std::uint32_t>(4 + header.size())) + header;
  // Pattern 0: 64 rows, the first with a note on channel 0, the rest packed empty.
  std::string rows = std::string("\x31\x01\x00\x00\x00", 5);  // C-4, instrument 1
  rows += std::string(3, '\x80');                             // the other three channels of row 0
  for (int i = 1; i < 64; ++i) rows += std::string(4, '\x80');
  out += Le32(9) + '\0' + Le16(64) + Le16(static_cast<unsigned>(rows.size())) + rows;
  // Instrument 1 with its sample header and delta-coded sample data.
  std::string instrument = Field("square", 22) + '\0' + Le16(1) + Le32(40) + Zeros(96) + Zeros(48) +
                           Zeros(48) + Zeros(14) + Le16(0) + Zeros(22);
  out += Le32(static_cast<std::uint32_t>(4 + instrument.size())) + instrument;
  out += Le32(32) + Le32(0) + Le32(32) + '\x40' + '\0' + '\x01' + '\x80' + '\0' + '\0' +
         Field("square", 22);
  const std::string sample = SampleBytes(true);
  std::string delta;
  char previous = 0;
  for (char c : sample) {
    delta += static_cast<char>(c - previous);
    previous = c;
  }
  return out + delta;
}

// A Scream Tracker 3 module: one instrument, one pattern, one note.
std::string S3m() {
  std::string out = Field("solvane seed", 28) + '\x1A' + '\x10' + Zeros(2);
  out += Le16(2) + Le16(1) + Le16(1) + Le16(0) + Le16(0x1320) + Le16(2) + "SCRM";
  out += std::string("\x40\x06\x7D\xB0\x10\x00", 6) + Zeros(8) + Le16(0);
  for (int c = 0; c < 32; ++c) out += static_cast<char>(c < 4 ? (c % 2 ? 8 + c : c) : 255);
  out += std::string("\x00\xFF", 2);  // orders
  out += Le16(7) + Le16(12);          // instrument at 112, pattern at 192
  out.resize(112, '\0');
  std::string instrument = std::string("\x01", 1) + Field("square.raw", 12) + '\0' + Le16(17) +
                           Le32(32) + Le32(0) + Le32(32) + '\x40' + '\0' + '\0' + '\x01' +
                           Le32(8363) + Zeros(12) + Field("square", 28) + "SCRS";
  out += instrument;  // ends at 192
  std::string rows = std::string("\x20\x40\x01\x00", 4) + std::string(63, '\0');
  out += Le16(static_cast<unsigned>(2 + rows.size())) + rows;
  out.resize(17 * 16, '\0');
  return out + SampleBytes(false);
}

// An Impulse Tracker module in sample mode: one sample, one pattern, one note.
std::string It() {
  std::string out = "IMPM" + Field("solvane seed", 26) + Le16(0x1004) + Le16(2) + Le16(0) +
                    Le16(1) + Le16(1) + Le16(0x0214) + Le16(0x0214) + Le16(1) + Le16(0) + '\x80' +
                    '\x30' + '\x06' + '\x7D' + '\x80' + '\0' + Le16(0) + Le32(0) + Le32(0);
  for (int c = 0; c < 64; ++c) out += static_cast<char>(c < 4 ? 32 : 0xA0);
  for (int c = 0; c < 64; ++c) out += '\x40';
  out += std::string("\x00\xFF", 2);  // orders
  const std::uint32_t sampleAt = static_cast<std::uint32_t>(out.size() + 8);
  const std::uint32_t patternAt = sampleAt + 80;
  out += Le32(sampleAt) + Le32(patternAt);
  std::string rows = std::string("\x81\x03\x3C\x01\x00", 5) + std::string(63, '\0');
  const std::uint32_t dataAt = patternAt + 8 + static_cast<std::uint32_t>(rows.size());
  out += "IMPS" + Field("square.raw", 12) + '\0' + '\x40' + '\x11' + '\x40' + Field("square", 26) +
         '\x01' + '\x20' + Le32(32) + Le32(0) + Le32(32) + Le32(8363) + Le32(0) + Le32(0) +
         Le32(dataAt) + Zeros(4);
  out += Le16(static_cast<unsigned>(rows.size())) + Le16(64) + Zeros(4) + rows;
  return out + SampleBytes(true);
}

// ---- The corpora --------------------------------------------------------------

void LexerSeeds() {
  Seed("lexer", "demo",
       std::string(1, '\0') +
           "// entries\r\n12.5 - 20 Tunnel ;\r\n/* a block\r\n */ 0 - 3.5f Wave ;\r\n");
  Seed("lexer", "texture",
       std::string(1, '\0') +
           "Texture :\n  ColorMap = \"Image/sky\" \"line.jpg\" ;\n"
           "  AlphaMap = \"mask\ttab.tga\" ;\n");
  Seed("lexer", "numbers",
       std::string(1, 0) +
           "+1.5 -2 .5 3f 1e5 0.25f ; 99999999999999999999999999999999999999999 :\n");
  Seed("lexer", "effect",
       "\x24"
       "Alpha = A_1 ;\tAdd = B ;\r\nEndEffect : Fade = F ; Size = S ;\n");
  Seed("lexer", "long",
       std::string(1, '\x11') + std::string(300, 'w') + " ;\n\"" + std::string(270, 's') + "\"\n");
  Seed("lexer", "comments",
       std::string(1, '\x80') + "/*/ x */ // y\n/**/ Texture : Color = 1, 0.5, 0 ;");
}

void ScriptSeeds() {
  const std::string tga = Tga(8, 4, 3), grey = Tga(8, 4, 1);
  const std::string sep(kFileSeparator);
  auto file = [&sep](const std::string& name, const std::string& content) {
    return sep + name + "\n" + content;
  };
  const std::string tracks = file("Script/Float/A.txt", "0 : 0 ;\n2 : 1 ;\n4 : 0.5 ;\n") +
                             file("Script/Float/Z.txt", "0 : 0 ;\n") +
                             file("Script/Float/S.txt", "0 : 0.1 ; 10 : -0.2 ;\n");
  Seed("scripts", "end",
       "0 - 4 Close ;\n" +
           file("Script/Effect/Close.txt",
                "Alpha = Z ;\nAdd = A ;\nEndEffect :\n  Fade = A ;\n  Size = S ;\n") +
           tracks);
  Seed("scripts", "waves",
       "0 - 2 Ramp ;\n1 - 3 Flash ;\n" +
           file("Script/Effect/Ramp.txt", "Alpha = A ; Add = Z ; WaveLarge :\n") +
           file("Script/Effect/Flash.txt", "Alpha = Z ; Add = A ; WaveFlash :\n") + tracks);
  Seed("scripts", "particle",
       "0 - 6 Sparks ;\n" +
           file("Script/Effect/Sparks.txt",
                "Alpha = A ;\nAdd = Z ;\nParticle :\n  Position = -0.25 ;\n  Tex = Warm ;\n") +
           file("Script/Texture/Warm.txt",
                "Texture :\n  Color = 1.0, 0.55, 0.15 ;\n  Alpha = 1 ;\n") +
           tracks);
  Seed(
      "scripts", "scroller",
      "0 - 8 Sky ;\n" +
          file("Script/Effect/Sky.txt",
               "Alpha = A ; Add = Z ;\nScroller :\n  Delta = S ;\n  Speed = S ;\n  YDelta = Z ;\n"
               "  YSpeed = A ;\n  Tex = Sky ;\n") +
          file("Script/Texture/Sky.txt",
               "Texture :\n  ColorMap = \"Image/sky.tga\" ;\n  AlphaMap = \"Image/mask.tga\" ;\n") +
          file("Image/sky.tga", tga) + file("Image/mask.tga", grey) + tracks);
  Seed(
      "scripts", "all",
      "// all five kinds\r\n6 - 8 Close ;\r\n0 - 8 Sky ;\r\n2 - 6 Sparks ;\r\n0 - 2 Ramp ;\r\n"
      "1 - 3 Flash ;\r\n" +
          file("Script/Effect/Close.txt",
               "Alpha = Z ; Add = A ; EndEffect : Fade = A ; Size = S ;") +
          file("Script/Effect/Ramp.txt", "Alpha = A ; Add = Z ; WaveLarge :") +
          file("Script/Effect/Flash.txt", "Alpha = Z ; Add = A ; WaveFlash :") +
          file("Script/Effect/Sparks.txt",
               "Alpha = A ; Add = Z ; Particle : Position = 0.5 ; Tex = Sky ;") +
          file("Script/Effect/Sky.txt",
               "Alpha = A ; Add = Z ; Scroller : Delta = S ; Speed = S ; YDelta = Z ; "
               "YSpeed = A ; Tex = Sky ;") +
          file("Script/Texture/Sky.txt", "Texture : ColorMap = \"Image/sky.tga\" ; Alpha = 0.5 ;") +
          file("Image/sky.tga", tga) + tracks);
}

void ZipSeeds() {
  const std::string script = "0 - 4 Close ;\r\n";
  const std::string text(200, 'k');
  Seed("zip", "stored", Zip({{"Script/Demo.txt", script, 0}, {"a.txt", "x", 0}}));
  Seed("zip", "deflated",
       Zip({{"Script/Demo.txt", script + text, 8}, {"Image/b.bin", text, 8}, {"empty", "", 0}}));
  Seed("zip", "names",
       Zip({{"Dir/Mixed.TXT", "mixed case", 0}, {"dir/", "", 0}, {"script/demo.txt", script, 8}}));
  Member encrypted{"secret.txt", "hidden", 0, 1};
  Member bzip{"packed.bz2", "BZh9", 12};
  Member crc{"bad.txt", text, 8, 0, true};
  Member shortMember{"short.bin", "abc", 0, 0, false, 4000};
  Seed("zip", "refused", Zip({encrypted, bzip, crc, shortMember}));
  Seed("zip", "empty", Zip({}));
}

void ImageSeeds() {
  // settings: kind/alpha/map/conversion, raw width and height, raw codes,
  // constant alpha, alpha map cut.
  auto settings = [](int kind, int alpha, int map, int conversion, int w, int h, int codes) {
    return std::string{static_cast<char>(kind | alpha << 2 | map << 4 | conversion << 6),
                       static_cast<char>(w & 0xFF),
                       static_cast<char>(w >> 8),
                       static_cast<char>(h & 0xFF),
                       static_cast<char>(h >> 8),
                       static_cast<char>(codes),
                       '\x80',
                       '\0'};
  };
  Seed("images", "tga24", settings(0, 0, 0, 0, 0, 0, 0) + Tga(6, 5, 3));
  Seed("images", "tga32-map", settings(0, 2, 3, 1, 0, 0, 0) + Tga(4, 3, 4));
  Seed("images", "tga8-const", settings(0, 1, 0, 2, 0, 0, 0) + Tga(5, 2, 1));
  {
    // Top-down, right-to-left, with an image ID field.
    std::string t = Tga(3, 3, 3);
    t[0] = 4;
    t[17] = 0x30;
    t.insert(18, "ID!!");
    Seed("images", "tga-flipped", settings(0, 0, 0, 3, 0, 0, 0) + t);
  }
  Seed("images", "jpeg", settings(1, 0, 0, 0, 0, 0, 0) + Jpeg(16, 8, 3));
  Seed("images", "jpeg-grey-map", settings(1, 2, 1, 0, 0, 0, 0) + Jpeg(8, 8, 1));
  Seed("images", "raw24", settings(2, 0, 0, 0, 4, 2, kB24 | kBgr << 2) + std::string(24, '\x42'));
  Seed("images", "raw-grey",
       settings(2, 1, 2, 1, 4, 4, kB08 | kGray << 2) + std::string(16, '\x99'));
  Seed("images", "generated-map", settings(3, 2, 0, 0, 0, 0, 0) + Tga(4, 4, 1));
}

void KolFileSeeds() {
  TheClassRegistry().ResetForTest();
  TheClassRegistry().Register(std::make_unique<VBFormat>());
  TheClassRegistry().Register(std::make_unique<VBitmap>());

  VBFormat format;
  format.name = "a.tga";
  format.fileType = kFileTga;
  format.width = 4;
  format.height = 4;
  Seed("kolfile", "format", ObjectFile({&format}));

  VBitmap tga;
  tga.name = "a.tga";
  Seed("kolfile", "bitmap-tga", ObjectFile({&tga}));

  VBitmap generated;
  generated.name = "glow";
  generated.fileType = kFileGenerated;
  generated.alphaKind = kAlphaMap;
  generated.alphaMap.name = "m.tga";
  generated.alphaMap.fileType = kFileTga;
  generated.color[0] = 1.0f;
  generated.color[1] = 0.5f;
  Seed("kolfile", "bitmap-generated", ObjectFile({&generated}));

  VBitmap jpeg;
  jpeg.name = "b.jpg";
  jpeg.alphaKind = kAlphaConstant;
  jpeg.alpha = 0.75f;
  VBitmap raw;
  raw.name = "c.raw";
  raw.fileType = kFileRaw;
  raw.width = 4;
  raw.height = 4;
  raw.depth = kB32;
  raw.order = kBgr;
  raw.alphaKind = kAlphaMap;
  raw.alphaMap.name = "m.tga";
  Seed("kolfile", "several", ObjectFile({&jpeg, &raw, &format, &jpeg}));
  TheClassRegistry().ResetForTest();
}

void AudioSeeds() {
  Seed("audio", "tone.wav", Wav(8000, 400));
  Seed("audio", "silence.aiff", Aiff(1, 200));
  Seed("audio", "crash-aiff-256-channels", Aiff(256, 2));
  Seed("audio", "square.mod", Mod());
  Seed("audio", "square.xm", Xm());
  Seed("audio", "square.s3m", S3m());
  Seed("audio", "square.it", It());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz-make-seeds <fuzz folder>\n");
    return 2;
  }
  gCorpus = std::filesystem::path(argv[1]) / "corpus";
  LexerSeeds();
  ScriptSeeds();
  ZipSeeds();
  ImageSeeds();
  KolFileSeeds();
  AudioSeeds();
  std::printf("fuzz-make-seeds: %d seeds under %s\n", gWritten, gCorpus.c_str());
  return 0;
}
