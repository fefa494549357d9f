#include "JpegDecode.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace velmora::test {

namespace {

struct TErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->escape, 1);
}

void Silent(j_common_ptr, int) {}

// No object with a destructor lives in this frame: the decoder's errors leave
// it by longjmp.
bool DecodeInto(const std::vector<uint8_t>& bytes, const TDecodeOptions& options,
                TDecoded& decoded) {
  jpeg_decompress_struct info;
  TErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  errors.base.emit_message = Silent;
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  const uint64_t samples =
      uint64_t{info.image_width} * info.image_height * static_cast<uint64_t>(info.num_components);
  if (options.maxSamples != 0 && samples > options.maxSamples) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (options.asCoded) {
    info.jpeg_color_space = JCS_UNKNOWN;
    info.out_color_space = JCS_UNKNOWN;
  }
  jpeg_start_decompress(&info);
  decoded.width = static_cast<int>(info.output_width);
  decoded.height = static_cast<int>(info.output_height);
  decoded.components = info.output_components;
  const size_t stride = static_cast<size_t>(info.output_width) * info.output_components;
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             static_cast<JDIMENSION>(stride), 1);
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, row, 1);
    decoded.pixels.insert(decoded.pixels.end(), row[0], row[0] + stride);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

TDecoded DecodeJpeg(const std::vector<uint8_t>& bytes, const TDecodeOptions& options) {
  TDecoded decoded;
  decoded.ok = DecodeInto(bytes, options, decoded);
  return decoded;
}

std::vector<uint8_t> EncodeJpeg(int width, int height, bool progressive, unsigned seed) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < rgb.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const size_t x = (i / 3) % static_cast<size_t>(width);
    rgb[i] =
        static_cast<uint8_t>((x * 255 / static_cast<size_t>(width) + (state >> 24) / 2) & 0xFF);
  }
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const size_t stride = static_cast<size_t>(width) * 3;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = rgb.data() + info.next_scanline * stride;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&info);
  std::free(out);
  return bytes;
}

}  // namespace velmora::test
