#include "jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "mediaerror.h"

namespace media {

namespace {

// Larger pictures are refused rather than allocated from a forged header.
constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

struct ErrorManager {
  jpeg_error_mgr Base;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
  auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->Message);
  std::longjmp(err->Jump, 1);
}

void SilentMessage(j_common_ptr) {}  // warnings on damaged data are not worth a console line

void InitErrors(ErrorManager &err) {
  jpeg_std_error(&err.Base);
  err.Base.error_exit = ErrorExit;
  err.Base.output_message = SilentMessage;
  err.Message[0] = 0;
}

// Compressed output grows a vector instead of a malloc'd buffer.
struct VectorDestination {
  jpeg_destination_mgr Base;
  std::vector<std::uint8_t> *Out;
};

void InitDestination(j_compress_ptr) {}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  std::size_t used = dest->Out->size();
  dest->Out->resize(used * 2);
  dest->Base.next_output_byte = dest->Out->data() + used;
  dest->Base.free_in_buffer = dest->Out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  dest->Out->resize(dest->Out->size() - dest->Base.free_in_buffer);
}

// Runs the whole compression; kept free of C++ objects with destructors because libjpeg's errors
// leave it through longjmp.
bool CompressRows(const std::uint8_t *pixels, int width, int height, int stride, J_COLOR_SPACE space,
                  int components, int quality, std::vector<std::uint8_t> *out, char *message) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  InitErrors(err);
  cinfo.err = &err.Base;
  VectorDestination dest;
  dest.Out = out;
  dest.Base.init_destination = InitDestination;
  dest.Base.empty_output_buffer = EmptyOutputBuffer;
  dest.Base.term_destination = TermDestination;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.Message);
    return false;
  }
  jpeg_create_compress(&cinfo);
  out->resize(std::size_t(width) * height / 2 + 4096);
  dest.Base.next_output_byte = out->data();
  dest.Base.free_in_buffer = out->size();
  cinfo.dest = &dest.Base;
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + std::size_t(cinfo.next_scanline) * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

bool DecompressRows(const std::uint8_t *data, std::size_t size, bool headerOnly, int *width, int *height,
                    std::vector<std::uint8_t> *out, char *message) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  InitErrors(err);
  cinfo.err = &err.Base;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.Message);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  *width = int(cinfo.image_width);
  *height = int(cinfo.image_height);
  if (headerOnly) {
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  if (std::int64_t(*width) * *height > kMaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "picture of %dx%d is too large", *width, *height);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = std::size_t(cinfo.output_width) * 3;
  out->assign(stride * cinfo.output_height, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->data() + std::size_t(cinfo.output_scanline) * stride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

std::vector<std::uint8_t> Compress(const std::uint8_t *pixels, int width, int height, int stride,
                                   J_COLOR_SPACE space, int components, int quality) {
  if (width <= 0 || height <= 0 || !pixels) throw EMediaError("Cannot compress an empty picture");
  if (std::int64_t(width) * height > kMaxPixels) throw EMediaError("Picture too large to compress");
  std::vector<std::uint8_t> out;
  char message[JMSG_LENGTH_MAX] = {};
  if (!CompressRows(pixels, width, height, stride, space, components, quality < 1 ? 1 : quality > 100 ? 100 : quality,
                    &out, message))
    throw EMediaError(std::string("JPEG compression failed: ") + message);
  return out;
}

}  // namespace

std::vector<std::uint8_t> JpegCompress(const QImage &image, int quality) {
  // libjpeg-turbo reads Qt's 32-bit layouts directly; anything else is converted once.
  const bool little = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
  switch (image.format()) {
  case QImage::Format_RGB32:
  case QImage::Format_ARGB32:
  case QImage::Format_ARGB32_Premultiplied:
    return Compress(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()),
                    little ? JCS_EXT_BGRX : JCS_EXT_XRGB, 4, quality);
  case QImage::Format_RGBX8888:
  case QImage::Format_RGBA8888:
  case QImage::Format_RGBA8888_Premultiplied:
    return Compress(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()), JCS_EXT_RGBX, 4,
                    quality);
  case QImage::Format_RGB888:
    return Compress(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()), JCS_RGB, 3,
                    quality);
  case QImage::Format_BGR888:
    return Compress(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()), JCS_EXT_BGR, 3,
                    quality);
  default:
    if (image.isNull()) throw EMediaError("Cannot compress an empty picture");
    return JpegCompress(image.convertToFormat(QImage::Format_RGB32), quality);
  }
}

std::vector<std::uint8_t> JpegCompress(const std::uint8_t *rgb, int width, int height, int stride, int quality) {
  return Compress(rgb, width, height, stride, JCS_RGB, 3, quality);
}

std::vector<std::uint8_t> JpegDecompress(const std::uint8_t *data, std::size_t size, int &width, int &height) {
  std::vector<std::uint8_t> out;
  char message[JMSG_LENGTH_MAX] = {};
  width = height = 0;
  if (!data || size < 4 || !DecompressRows(data, size, false, &width, &height, &out, message)) {
    width = height = 0;
    throw EMediaError(std::string("Not a readable JPEG picture: ") + (message[0] ? message : "no data"));
  }
  return out;
}

bool JpegImageSize(const std::uint8_t *data, std::size_t size, int &width, int &height) {
  char message[JMSG_LENGTH_MAX] = {};
  width = height = 0;
  if (!data || size < 4) return false;
  if (!DecompressRows(data, size, true, &width, &height, nullptr, message)) return false;
  return width > 0 && height > 0;
}

void TJPEGImage::SaveToStream(std::vector<std::uint8_t> &stream) const {
  stream = JpegCompress(FBitmap, CompressionQuality);
}

}  // namespace media
