// PNG files of surfaces: screenshots for people and tests, and reading them back.
#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "plat/gdi.h"
#include "plat/gdi_internal.h"

namespace plat::gdi {

namespace {

// libpng reports through these: no printing, the failure comes back through the jump buffer.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};

}  // namespace

bool WritePng(const Surface& surface, const std::string& path) {
  if (surface.width <= 0 || surface.height <= 0 ||
      surface.pixels.size() < static_cast<size_t>(surface.width) * surface.height)
    return false;
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(surface.width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, surface.width, surface.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < surface.height; ++y) {
    const COLORREF* src = surface.Row(y);
    for (int x = 0; x < surface.width; ++x) {
      row[x * 3 + 0] = static_cast<png_byte>(src[x] & 0xFF);
      row[x * 3 + 1] = static_cast<png_byte>((src[x] >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<png_byte>((src[x] >> 16) & 0xFF);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(f.get()) == 0;
}

bool ReadPng(const std::string& path, Surface& out) {
  std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  png_byte sig[8];
  if (std::fread(sig, 1, 8, f.get()) != 8 || png_sig_cmp(sig, 0, 8) != 0) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  Surface result;
  std::vector<png_byte> row;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, f.get());
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  int colorType = png_get_color_type(png, info);
  // Everything becomes 8-bit RGB(A).
  if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  png_set_strip_alpha(png);
  png_read_update_info(png, info);
  if (w == 0 || h == 0 || w > 16384 || h > 16384 || png_get_rowbytes(png, info) != w * 3) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  result.Resize(static_cast<int>(w), static_cast<int>(h));
  row.resize(static_cast<size_t>(w) * 3);
  for (png_uint_32 y = 0; y < h; ++y) {
    png_read_row(png, row.data(), nullptr);
    COLORREF* dst = result.Row(static_cast<int>(y));
    for (png_uint_32 x = 0; x < w; ++x)
      dst[x] = row[x * 3] | (row[x * 3 + 1] << 8) | (static_cast<COLORREF>(row[x * 3 + 2]) << 16);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  out = std::move(result);
  return true;
}

}  // namespace plat::gdi
