#include "JpegDecode.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

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
bool DecodeInto(const std::vector<uint8_t>& bytes, TDecoded& decoded) {
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

TDecoded DecodeJpeg(const std::vector<uint8_t>& bytes) {
  TDecoded decoded;
  decoded.ok = DecodeInto(bytes, decoded);
  return decoded;
}

}  // namespace velmora::test
