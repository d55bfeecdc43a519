#include "jpeg.h"

#include <algorithm>
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
  // A reused vector keeps its storage: only a larger picture makes it grow.
  out->resize(std::max(out->capacity(), std::size_t(width) * height / 2 + 4096));
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

// Where decoded rows go; the output size is known only once libjpeg has read the header.
class RowSink {
public:
  // The first of `height` rows of `stride` bytes each.
  virtual std::uint8_t *Rows(int width, int height, std::size_t &stride) = 0;

protected:
  ~RowSink() = default;
};

class VectorRows final : public RowSink {
public:
  explicit VectorRows(std::vector<std::uint8_t> &out) : FOut(out) {}
  std::uint8_t *Rows(int width, int height, std::size_t &stride) override {
    stride = std::size_t(width) * 3;
    FOut.assign(stride * std::size_t(height), 0);
    return FOut.data();
  }

private:
  std::vector<std::uint8_t> &FOut;
};

class ImageRows final : public RowSink {
public:
  explicit ImageRows(QImage &out) : FOut(out) {}
  std::uint8_t *Rows(int width, int height, std::size_t &stride) override {
    // libjpeg writes every row, also of a cut stream; only a new size needs new storage.
    if (FOut.width() != width || FOut.height() != height || FOut.format() != QImage::Format_RGB32)
      FOut = QImage(width, height, QImage::Format_RGB32);
    stride = std::size_t(FOut.bytesPerLine());
    return FOut.bits();
  }

private:
  QImage &FOut;
};

// `eighths` of the picture's size, through libjpeg's DCT scaling; a null sink reads the header only.
// Kept free of C++ objects with destructors, as CompressRows is.
bool DecompressRows(const std::uint8_t *data, std::size_t size, int eighths, J_COLOR_SPACE space, RowSink *sink,
                    int *width, int *height, char *message) {
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
  if (!sink) {
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  if (std::int64_t(*width) * *height > kMaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "picture of %dx%d is too large", *width, *height);
    return false;
  }
  cinfo.out_color_space = space;
  cinfo.scale_num = unsigned(eighths);
  cinfo.scale_denom = 8;
  jpeg_start_decompress(&cinfo);
  std::size_t stride = 0;
  std::uint8_t *rows = sink->Rows(int(cinfo.output_width), int(cinfo.output_height), stride);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rows + std::size_t(cinfo.output_scanline) * stride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

void Compress(const std::uint8_t *pixels, int width, int height, int stride, J_COLOR_SPACE space, int components,
              int quality, std::vector<std::uint8_t> &out) {
  if (width <= 0 || height <= 0 || !pixels) throw EMediaError("Cannot compress an empty picture");
  if (std::int64_t(width) * height > kMaxPixels) throw EMediaError("Picture too large to compress");
  char message[JMSG_LENGTH_MAX] = {};
  if (!CompressRows(pixels, width, height, stride, space, components, quality < 1 ? 1 : quality > 100 ? 100 : quality,
                    &out, message))
    throw EMediaError(std::string("JPEG compression failed: ") + message);
}

// libjpeg-turbo reads Qt's 32-bit and 24-bit layouts directly; false for the others.
bool DirectLayout(QImage::Format format, J_COLOR_SPACE &space, int &components) {
  const bool little = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
  components = 4;
  switch (format) {
  case QImage::Format_RGB32:
  case QImage::Format_ARGB32:
  case QImage::Format_ARGB32_Premultiplied:
    space = little ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    return true;
  case QImage::Format_RGBX8888:
  case QImage::Format_RGBA8888:
  case QImage::Format_RGBA8888_Premultiplied:
    space = JCS_EXT_RGBX;
    return true;
  case QImage::Format_RGB888:
    space = JCS_RGB;
    components = 3;
    return true;
  case QImage::Format_BGR888:
    space = JCS_EXT_BGR;
    components = 3;
    return true;
  default:
    return false;
  }
}

}  // namespace

void JpegCompressInto(const QImage &image, int quality, std::vector<std::uint8_t> &out) {
  if (image.isNull()) throw EMediaError("Cannot compress an empty picture");
  J_COLOR_SPACE space;
  int components;
  if (!DirectLayout(image.format(), space, components)) {
    JpegCompressInto(image.convertToFormat(QImage::Format_RGB32), quality, out);
    return;
  }
  Compress(image.constBits(), image.width(), image.height(), int(image.bytesPerLine()), space, components, quality, out);
}

std::vector<std::uint8_t> JpegCompress(const QImage &image, int quality) {
  std::vector<std::uint8_t> out;
  JpegCompressInto(image, quality, out);
  return out;
}

std::vector<std::uint8_t> JpegCompress(const std::uint8_t *rgb, int width, int height, int stride, int quality) {
  std::vector<std::uint8_t> out;
  Compress(rgb, width, height, stride, JCS_RGB, 3, quality, out);
  return out;
}

std::vector<std::uint8_t> JpegDecompress(const std::uint8_t *data, std::size_t size, int &width, int &height) {
  std::vector<std::uint8_t> out;
  VectorRows rows(out);
  char message[JMSG_LENGTH_MAX] = {};
  width = height = 0;
  if (!data || size < 4 || !DecompressRows(data, size, 8, JCS_RGB, &rows, &width, &height, message)) {
    width = height = 0;
    throw EMediaError(std::string("Not a readable JPEG picture: ") + (message[0] ? message : "no data"));
  }
  return out;
}

int JpegDecodeEighths(int width, int height, int targetWidth, int targetHeight) {
  // libjpeg-turbo has fast inverse DCTs for these sizes only; its 3/8 to 7/8 cost more than the
  // smaller picture saves afterwards.
  for (int eighths : {1, 2, 4})
    if ((width * eighths + 7) / 8 >= targetWidth && (height * eighths + 7) / 8 >= targetHeight) return eighths;
  return 8;
}

void JpegDecodeInto(const std::uint8_t *data, std::size_t size, int eighths, QImage &into) {
  const bool little = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
  ImageRows rows(into);
  char message[JMSG_LENGTH_MAX] = {};
  int width = 0, height = 0;
  if (!data || size < 4 || eighths < 1 || eighths > 8 ||
      !DecompressRows(data, size, eighths, little ? JCS_EXT_BGRX : JCS_EXT_XRGB, &rows, &width, &height, message))
    throw EMediaError(std::string("Not a readable JPEG picture: ") + (message[0] ? message : "no data"));
}

bool JpegImageSize(const std::uint8_t *data, std::size_t size, int &width, int &height) {
  char message[JMSG_LENGTH_MAX] = {};
  width = height = 0;
  if (!data || size < 4) return false;
  if (!DecompressRows(data, size, 8, JCS_RGB, nullptr, &width, &height, message)) return false;
  return width > 0 && height > 0;
}

void TJPEGImage::SaveToStream(std::vector<std::uint8_t> &stream) const {
  stream = JpegCompress(FBitmap, CompressionQuality);
}

}  // namespace media
