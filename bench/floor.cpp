#include "floor.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace albumsmith::bench {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf recovery;
};

[[noreturn]] void Jump(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->recovery, 1); }

bool Encode(const std::string& path, const ImageBuffer& picture) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = Jump;
  if (setjmp(err.recovery)) {
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.height());
  cinfo.input_components = picture.components();
  cinfo.in_color_space = picture.components() == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.row(static_cast<int32_t>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

}  // namespace

bool Floor::Run(const std::string& photo, int scaleNumerator, const ImageBuffer& medium, const ImageBuffer& thumbnail,
                const std::string& mediumOut, const std::string& thumbnailOut) {
  std::FILE* file = std::fopen(photo.c_str(), "rb");
  if (!file) return false;
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = Jump;
  if (setjmp(err.recovery)) {
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  cinfo.scale_num = static_cast<unsigned>(scaleNumerator);
  cinfo.scale_denom = 8;
  jpeg_start_decompress(&cinfo);
  const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
  decoded_.resize(rowBytes * cinfo.output_height);
  constexpr JDIMENSION kRows = 16;
  JSAMPROW rows[kRows];
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION first = cinfo.output_scanline;
    const JDIMENSION count = std::min(kRows, cinfo.output_height - first);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = decoded_.data() + rowBytes * (first + i);
    jpeg_read_scanlines(&cinfo, rows, count);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return Encode(mediumOut, medium) && Encode(thumbnailOut, thumbnail);
}

}  // namespace albumsmith::bench
