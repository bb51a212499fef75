#include "PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tv::headless {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error) *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng reports an error by longjmp back here. This function holds no C++ object of its own, so
// the jump can leave none stale (with them in the same function, GCC warns of clobbered locals).
bool WriteRows(png_structp png, png_infop info, FILE* file, const Image& image, uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* src = image.At(0, y);
    for (int x = 0; x < image.width; ++x) {
      row[x * 3 + 0] = src[x * 4 + 0];
      row[x * 3 + 1] = src[x * 4 + 1];
      row[x * 3 + 2] = src[x * 4 + 2];
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const Image& image, std::string& error) {
  if (image.width < 1 || image.height < 1 ||
      image.rgba.size() != static_cast<size_t>(image.width) * image.height * 4) {
    error = "empty or inconsistent picture";
    return false;
  }
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory for the PNG writer";
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
  const bool written = WriteRows(png, info, file.get(), image, row.data());
  png_destroy_write_struct(&png, &info);
  if (!written) {
    error = "cannot write " + path + ": " + error;
    return false;
  }
  if (std::fflush(file.get()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, Image& image, std::string& error) {
  png_image reader;
  std::memset(&reader, 0, sizeof reader);
  reader.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&reader, path.c_str())) {
    error = reader.message;
    return false;
  }
  reader.format = PNG_FORMAT_RGBA;
  image = Image(static_cast<int>(reader.width), static_cast<int>(reader.height));
  if (!png_image_finish_read(&reader, nullptr, image.rgba.data(), 0, nullptr)) {
    error = reader.message;
    png_image_free(&reader);
    return false;
  }
  return true;
}

}  // namespace tv::headless
