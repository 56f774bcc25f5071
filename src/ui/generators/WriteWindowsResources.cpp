// Writes the executable's resources for the Windows build from the module the
// program itself defines (ProgramResources), so the two can never disagree:
// write-windows-resources DIR writes DIR/solvane.rc (dialog 107 and the names
// of the files below), DIR/title.bmp (bitmap 115) and DIR/solvane.ico (icon
// 116, every size the module holds), for windres to compile.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "StartResources.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A BITMAPINFOHEADER for an uncompressed bottom-up DIB.
void PutInfoHeader(Bytes& out, int width, int height, int bitCount, std::uint32_t imageSize) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bitCount));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

// A 24-bit bitmap file, rows bottom to top, each padded to four bytes.
Bytes BitmapFile(const plat::Picture& picture) {
  const int stride = (picture.width * 3 + 3) & ~3;
  const std::uint32_t imageSize = static_cast<std::uint32_t>(stride) * picture.height;
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 14 + 40 + imageSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, picture.width, picture.height, 24, imageSize);
  for (int y = picture.height - 1; y >= 0; --y) {
    const std::size_t rowStart = out.size();
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
      out.push_back(static_cast<unsigned char>(p & 0xFF));
      out.push_back(static_cast<unsigned char>((p >> 8) & 0xFF));
      out.push_back(static_cast<unsigned char>((p >> 16) & 0xFF));
    }
    while (out.size() - rowStart < static_cast<std::size_t>(stride)) out.push_back(0);
  }
  return out;
}

// One icon image: a 32-bit DIB of twice the height (colour, then the mask),
// rows bottom to top; alpha 0 is transparent in both.
Bytes IconImage(const plat::Picture& picture) {
  const int maskStride = ((picture.width + 31) / 32) * 4;
  const std::uint32_t colourSize = static_cast<std::uint32_t>(picture.width) * picture.height * 4;
  const std::uint32_t maskSize = static_cast<std::uint32_t>(maskStride) * picture.height;
  Bytes out;
  PutInfoHeader(out, picture.width, picture.height * 2, 32, colourSize + maskSize);
  for (int y = picture.height - 1; y >= 0; --y)
    for (int x = 0; x < picture.width; ++x)
      Put32(out, picture.pixels[static_cast<std::size_t>(y) * picture.width + x]);
  for (int y = picture.height - 1; y >= 0; --y) {
    Bytes row(static_cast<std::size_t>(maskStride), 0);
    for (int x = 0; x < picture.width; ++x)
      if ((picture.pixels[static_cast<std::size_t>(y) * picture.width + x] >> 24) == 0)
        row[static_cast<std::size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

Bytes IconFile(const std::vector<plat::Picture>& pictures) {
  std::vector<Bytes> images;
  for (const plat::Picture& picture : pictures) images.push_back(IconImage(picture));
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<unsigned char>(pictures[i].width >= 256 ? 0 : pictures[i].width));
    out.push_back(static_cast<unsigned char>(pictures[i].height >= 256 ? 0 : pictures[i].height));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

// A resource-script string: quotes doubled, as rc reads them.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Script(const plat::DialogTemplate& dialog) {
  char line[512];
  std::string out = "// Written by write-windows-resources from the program's own resource module.\n";
  std::snprintf(line, sizeof line, "%d DIALOGEX %d, %d, %d, %d\n", kStartDialogTemplate, dialog.x,
                dialog.y, dialog.width, dialog.height);
  out += line;
  std::snprintf(line, sizeof line, "STYLE 0x%08X\nEXSTYLE 0x%08X\n", dialog.style, dialog.exStyle);
  out += line;
  out += "CAPTION " + Quoted(dialog.caption) + "\n";
  std::snprintf(line, sizeof line, "FONT %d, %s\n", dialog.pointSize,
                Quoted(dialog.fontName).c_str());
  out += line + std::string("BEGIN\n");
  for (const plat::DialogItemTemplate& item : dialog.items) {
    // A picture control names its bitmap by number in place of a text.
    const std::string text =
        item.pictureId ? std::to_string(item.pictureId) : Quoted(item.text);
    std::snprintf(line, sizeof line, "  CONTROL %s, %d, %s, 0x%08X, %d, %d, %d, %d\n",
                  text.c_str(), item.id, Quoted(item.className).c_str(), item.style, item.x, item.y,
                  item.width, item.height);
    out += line;
  }
  out += "END\n\n";
  std::snprintf(line, sizeof line, "%d BITMAP \"title.bmp\"\n%d ICON \"solvane.ico\"\n",
                kTitlePictureResource, kProgramIconResource);
  return out + line;
}

bool Write(const std::string& path, const void* bytes, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write-windows-resources DIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const plat::ResourceModule& module = *ProgramResources();
  const plat::DialogTemplate* dialog = module.Dialog(kStartDialogTemplate);
  const plat::Picture* title = module.Bitmap(kTitlePictureResource);
  const auto icons = module.icons.find(kProgramIconResource);
  if (!dialog || !title || icons == module.icons.end()) {
    std::fprintf(stderr, "write-windows-resources: the program's module lacks a resource\n");
    return 1;
  }
  const std::string script = Script(*dialog);
  const Bytes bitmap = BitmapFile(*title);
  const Bytes icon = IconFile(icons->second);
  if (!Write(dir + "solvane.rc", script.data(), script.size()) ||
      !Write(dir + "title.bmp", bitmap.data(), bitmap.size()) ||
      !Write(dir + "solvane.ico", icon.data(), icon.size())) {
    std::fprintf(stderr, "write-windows-resources: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
