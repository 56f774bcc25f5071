#include "VBitmapJpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "KolData.h"
#include "KolLog.h"
#include "VBitmap.h"

namespace {

// The error manager, with the jump target of the one decode or encode running.
// Everything the recovery path needs lives here, in memory the library also
// reaches, so nothing depends on local variables surviving the long jump.
struct ErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf recovery;
  std::uint8_t* pixels = nullptr;  // the decode's output array until handed over
  // For the author's hint: the library's own words for the fatal error, and
  // the file's first bytes, which tell a PNG or BMP under a .jpg name.
  int messageCode = 0;
  char message[JMSG_LENGTH_MAX] = {};
  std::uint8_t first[8] = {};
  int firstCount = 0;
};

void RecoverFromError(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
  error->messageCode = cinfo->err->msg_code;
  (*cinfo->err->format_message)(cinfo, error->message);
  TheLog().Print("JPG error\n");
  std::longjmp(error->recovery, 1);
}

// Why a decode failed, for the author.
std::string DecodeProblem(const ErrorManager& error, int colorSpace) {
  if (error.messageCode == JERR_INPUT_EMPTY) return "the file is empty";
  if (error.messageCode == JERR_NO_SOI) {
    const std::string kind = ImageSignatureKind(error.first, error.firstCount);
    if (!kind.empty()) return "holds " + kind + " data, not JPEG; convert it to a JPEG (or a TGA named .tga)";
    return "not a JPEG file (it does not start with a JPEG marker)";
  }
  if (colorSpace == JCS_CMYK || colorSpace == JCS_YCCK)
    return "a CMYK JPEG, which is not read; save it as RGB or greyscale";
  return std::string("damaged JPEG data: ") + error.message;
}

// Source manager: refills the library's buffer from the stream.
struct StreamSource {
  jpeg_source_mgr library;
  KolData* stream;
  JOCTET* buffer;
  bool startOfFile;
  bool ended;  // the stream is done and the buffer holds a made-up end marker
};

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<StreamSource*>(cinfo->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
  int delivered = 0;
  src->stream->ReadCounted(src->buffer, VBitmapJpegCodec::kChunkSize, delivered);
  if (src->startOfFile && delivered > 0) {
    auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
    error->firstCount = delivered < 8 ? delivered : 8;
    std::memcpy(error->first, src->buffer, static_cast<size_t>(error->firstCount));
  }
  if (delivered <= 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    // A fake end-of-image marker lets the library finish what it has.
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    delivered = 2;
    src->ended = true;
  }
  src->library.next_input_byte = src->buffer;
  src->library.bytes_in_buffer = static_cast<size_t>(delivered);
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* src = cinfo->src;
  if (count <= 0) return;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    src->fill_input_buffer(cinfo);  // never suspends: it supplies an EOI at the end
    // A skip past the end stops at the made-up end marker instead of making
    // one per two bytes skipped (a segment length can ask for 64 KiB).
    if (reinterpret_cast<StreamSource*>(src)->ended) return;
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void InstallSource(j_decompress_ptr cinfo, KolData& stream) {
  auto* src = static_cast<StreamSource*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                 sizeof(StreamSource)));
  src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, VBitmapJpegCodec::kChunkSize));
  src->stream = &stream;
  src->startOfFile = true;
  src->ended = false;
  src->library.init_source = InitSource;
  src->library.fill_input_buffer = FillInputBuffer;
  src->library.skip_input_data = SkipInputData;
  src->library.resync_to_restart = jpeg_resync_to_restart;
  src->library.term_source = TermSource;
  src->library.bytes_in_buffer = 0;
  src->library.next_input_byte = nullptr;
  cinfo->src = &src->library;
}

// Destination manager: empties the library's buffer into the stream.
struct StreamDestination {
  jpeg_destination_mgr library;
  KolData* stream;
  JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
  dest->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, VBitmapJpegCodec::kChunkSize));
  dest->library.next_output_byte = dest->buffer;
  dest->library.free_in_buffer = VBitmapJpegCodec::kChunkSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
  if (dest->stream->Write(dest->buffer, VBitmapJpegCodec::kChunkSize) != 0)
    ERREXIT(cinfo, JERR_FILE_WRITE);
  dest->library.next_output_byte = dest->buffer;
  dest->library.free_in_buffer = VBitmapJpegCodec::kChunkSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
  const size_t used = VBitmapJpegCodec::kChunkSize - dest->library.free_in_buffer;
  if (used > 0 && dest->stream->Write(dest->buffer, static_cast<int>(used)) != 0)
    ERREXIT(cinfo, JERR_FILE_WRITE);
}

void InstallDestination(j_compress_ptr cinfo, KolData& stream) {
  auto* dest = static_cast<StreamDestination*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                 sizeof(StreamDestination)));
  dest->stream = &stream;
  dest->buffer = nullptr;
  dest->library.init_destination = InitDestination;
  dest->library.empty_output_buffer = EmptyOutputBuffer;
  dest->library.term_destination = TermDestination;
  cinfo->dest = &dest->library;
}

struct DecodedImage {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int components = 0;
};

// The whole decode in one frame with no C++ objects that need destroying, so
// the long jump of the error exit skips nothing.
bool Decode(KolData& stream, const std::string& name, DecodedImage& out) {
  jpeg_decompress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.library);
  error.library.error_exit = RecoverFromError;
  if (setjmp(error.recovery)) {
    NoteImageLoadProblem(name, DecodeProblem(error, cinfo.jpeg_color_space));
    TheLog().Print("JPG read: recovery from error...\n");
    jpeg_destroy_decompress(&cinfo);
    TheLog().Print("JPG read: quit...\n");
    delete[] error.pixels;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  InstallSource(&cinfo, stream);
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (cinfo.jpeg_color_space != JCS_RGB) {
    cinfo.out_color_space = JCS_RGB;  // CMYK and the like end in the error exit
  }
  jpeg_start_decompress(&cinfo);
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const int components = cinfo.output_components;
  error.pixels = VBitmap::AllocatePixels(width, height, components).release();
  if (!error.pixels) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const size_t rowBytes = static_cast<size_t>(width) * components;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = error.pixels + cinfo.output_scanline * rowBytes;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  out.pixels = error.pixels;
  out.width = width;
  out.height = height;
  out.components = components;
  return true;
}

bool Encode(KolData& stream, const std::uint8_t* pixels, int width, int height,
            int components) {
  jpeg_compress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.library);
  error.library.error_exit = RecoverFromError;
  if (setjmp(error.recovery)) {
    TheLog().Print("JPG write: recovery from error...\n");
    jpeg_destroy_compress(&cinfo);
    TheLog().Print("JPG write: quit...\n");
    return false;
  }
  jpeg_create_compress(&cinfo);
  InstallDestination(&cinfo, stream);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t rowBytes = static_cast<size_t>(width) * components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(pixels) + cinfo.next_scanline * rowBytes;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

int VBitmapJpegCodec::Read() {
  DecodedImage image;
  if (!Decode(stream_, bitmap_.name, image)) return 1;
  std::unique_ptr<std::uint8_t[]> pixels(image.pixels);
  if (image.components != 1 && image.components != 3) return 1;
  bitmap_.SetPixels(std::move(pixels));
  bitmap_.width = image.width;
  bitmap_.height = image.height;
  bitmap_.depth = image.components == 1 ? kB08 : kB24;
  bitmap_.order = image.components == 1 ? kGray : kRgb;
  bitmap_.horizontal = kLeft;
  bitmap_.vertical = kUp;
  return 0;
}

int VBitmapJpegCodec::Write() {
  VBitmap& b = bitmap_;
  const bool grey = b.order == kGray;
  if (int r = b.Convert(b.WithCodes(grey ? static_cast<int>(b.depth) : kB24, grey ? kGray : kRgb,
                                    kLeft, kUp)))
    return r;
  if (!b.Pixels() || b.width <= 0 || b.height <= 0) return 1;
  if (grey && b.depth != kB08) return 1;  // one byte per pixel is what the encoder is given
  return Encode(stream_, b.Pixels(), b.width, b.height, grey ? 1 : 3) ? 0 : 1;
}
