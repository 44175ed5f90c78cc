// Reading BMP and PNG files into pixels, and writing PNG (and BMP) files.
#include <cairo.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/gfx/Painter.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Strings.h"

namespace vcl::gfx {

namespace {

// Larger pictures than any form uses are refused rather than allocated.
constexpr std::int64_t kMaxPixels = 16 * 1024 * 1024;

[[noreturn]] void Fail(const std::string& name, const std::string& why) {
  throw EInvalidGraphic("Cannot read image " + name + ": " + why);
}

struct Reader {
  std::string_view bytes;
  const std::string& name;
  std::uint32_t U16(std::size_t at) const {
    if (at + 2 > bytes.size()) Fail(name, "file is truncated");
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8;
  }
  std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
  std::uint8_t U8(std::size_t at) const {
    if (at >= bytes.size()) Fail(name, "file is truncated");
    return std::uint8_t(bytes[at]);
  }
};

// Spreads a masked channel over 0..255.
std::uint32_t Channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const std::uint32_t max = mask >> shift;
  return ((value & mask) >> shift) * 255 / max;
}

Image DecodeBmp(std::string_view bytes, const std::string& name) {
  Reader r{bytes, name};
  const std::uint32_t dataOffset = r.U32(10);
  const std::uint32_t headerSize = r.U32(14);
  std::int64_t width, height;
  int bpp, compression = 0;
  std::uint32_t colorsUsed = 0;
  std::size_t paletteAt = 14 + headerSize;
  int paletteEntrySize = 4;
  std::uint32_t masks[3] = {0, 0, 0};
  if (headerSize == 12) {
    width = r.U16(18);
    height = std::int16_t(r.U16(20));
    bpp = int(r.U16(24));
    paletteEntrySize = 3;
  } else if (headerSize >= 40) {
    width = std::int32_t(r.U32(18));
    height = std::int32_t(r.U32(22));
    bpp = int(r.U16(28));
    compression = int(r.U32(30));
    colorsUsed = r.U32(46);
    if (compression == 3) {
      masks[0] = r.U32(54);
      masks[1] = r.U32(58);
      masks[2] = r.U32(62);
      if (headerSize == 40) paletteAt += 12;
    }
  } else {
    Fail(name, "unknown BMP header");
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width * height > kMaxPixels) Fail(name, "bad image size");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    Fail(name, "unsupported pixel depth");
  const bool rle = (compression == 1 && bpp == 8) || (compression == 2 && bpp == 4);
  if (compression != 0 && compression != 3 && !rle) Fail(name, "unsupported compression");
  if (compression == 3 && bpp != 16 && bpp != 32) Fail(name, "unsupported compression");

  std::vector<std::uint32_t> palette;
  if (bpp <= 8) {
    std::uint32_t n = colorsUsed ? colorsUsed : (1u << bpp);
    if (n > 256) Fail(name, "bad palette");
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::size_t at = paletteAt + std::size_t(i) * std::size_t(paletteEntrySize);
      palette.push_back(0xFF000000u | std::uint32_t(r.U8(at + 2)) << 16 |
                        std::uint32_t(r.U8(at + 1)) << 8 | r.U8(at));
    }
  }
  auto paletteColor = [&](std::uint32_t index) {
    return index < palette.size() ? palette[index] : 0xFF000000u;
  };

  const std::size_t stride = std::size_t(((width * bpp + 31) / 32) * 4);
  if (!rle && dataOffset + stride * std::size_t(height) > bytes.size())
    Fail(name, "file is truncated");
  Image img;
  img.width = int(width);
  img.height = int(height);
  img.bitsPerPixel = bpp;
  img.pixels.assign(std::size_t(width * height), 0xFF000000u);
  auto rowOf = [&](std::int64_t fileRow) { return topDown ? fileRow : height - 1 - fileRow; };

  if (rle) {
    std::size_t at = dataOffset;
    std::int64_t x = 0, row = 0;
    auto put = [&](std::uint32_t index) {
      if (x < width && row < height)
        img.pixels[std::size_t(rowOf(row) * width + x)] = paletteColor(index);
      ++x;
    };
    while (row < height) {
      const std::uint8_t count = r.U8(at), value = r.U8(at + 1);
      at += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i)
          put(bpp == 8 ? value : ((i & 1) ? value & 0x0F : value >> 4));
      } else if (value == 0) {
        x = 0;
        ++row;
      } else if (value == 1) {
        break;
      } else if (value == 2) {
        x += r.U8(at);
        row += r.U8(at + 1);
        at += 2;
      } else {
        for (int i = 0; i < value; ++i) {
          const std::uint8_t b = r.U8(at + std::size_t(bpp == 8 ? i : i / 2));
          put(bpp == 8 ? b : ((i & 1) ? b & 0x0F : b >> 4));
        }
        const std::size_t used = bpp == 8 ? value : (value + 1u) / 2u;
        at += (used + 1) & ~std::size_t(1);
      }
    }
    return img;
  }

  if (compression == 0 && bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + dataOffset +
                             std::size_t(fileRow) * stride;
    std::uint32_t* out = &img.pixels[std::size_t(rowOf(fileRow) * width)];
    for (std::int64_t x = 0; x < width; ++x) {
      switch (bpp) {
        case 1:
          out[x] = paletteColor((p[x / 8] >> (7 - x % 8)) & 1);
          break;
        case 4:
          out[x] = paletteColor((x & 1) ? p[x / 2] & 0x0F : p[x / 2] >> 4);
          break;
        case 8:
          out[x] = paletteColor(p[x]);
          break;
        case 16: {
          const std::uint32_t v = p[2 * x] | std::uint32_t(p[2 * x + 1]) << 8;
          out[x] = 0xFF000000u | Channel(v, masks[0]) << 16 | Channel(v, masks[1]) << 8 |
                   Channel(v, masks[2]);
          break;
        }
        case 24:
          out[x] = 0xFF000000u | std::uint32_t(p[3 * x + 2]) << 16 |
                   std::uint32_t(p[3 * x + 1]) << 8 | p[3 * x];
          break;
        case 32: {
          const std::uint32_t v = p[4 * x] | std::uint32_t(p[4 * x + 1]) << 8 |
                                  std::uint32_t(p[4 * x + 2]) << 16 |
                                  std::uint32_t(p[4 * x + 3]) << 24;
          if (compression == 3)
            out[x] = 0xFF000000u | Channel(v, masks[0]) << 16 | Channel(v, masks[1]) << 8 |
                     Channel(v, masks[2]);
          else
            out[x] = 0xFF000000u | (v & 0xFFFFFF);
          break;
        }
      }
    }
  }
  return img;
}

struct PngSource {
  std::string_view bytes;
  std::size_t at = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* src = static_cast<PngSource*>(closure);
  if (src->bytes.size() - src->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, src->bytes.data() + src->at, length);
  src->at += length;
  return CAIRO_STATUS_SUCCESS;
}

Image DecodePng(std::string_view bytes, const std::string& name) {
  // The size in the header (IHDR, big-endian) is checked before anything is allocated.
  if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR") Fail(name, "not a valid PNG file");
  auto be32 = [&](std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) << 24 |
           std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint8_t(bytes[at + 3]);
  };
  if (std::int64_t(be32(16)) * std::int64_t(be32(20)) > kMaxPixels) Fail(name, "bad image size");
  PngSource src{bytes};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPng, &src);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    Fail(name, "not a valid PNG file");
  }
  cairo_surface_flush(s);
  Image img;
  img.width = cairo_image_surface_get_width(s);
  img.height = cairo_image_surface_get_height(s);
  img.bitsPerPixel = 24;
  const int stride = cairo_image_surface_get_stride(s);
  const bool alpha = cairo_image_surface_get_format(s) == CAIRO_FORMAT_ARGB32;
  const unsigned char* data = cairo_image_surface_get_data(s);
  img.pixels.resize(std::size_t(img.width) * std::size_t(img.height));
  for (int y = 0; y < img.height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * std::size_t(stride));
    for (int x = 0; x < img.width; ++x) {
      std::uint32_t p = row[x];
      if (alpha) {
        // Premultiplied colour over a white background: bitmaps here have no alpha.
        const std::uint32_t a = p >> 24, back = 255 - a;
        const std::uint32_t rr = ((p >> 16) & 0xFF) + back, gg = ((p >> 8) & 0xFF) + back,
                            bb = (p & 0xFF) + back;
        p = std::min(rr, 255u) << 16 | std::min(gg, 255u) << 8 | std::min(bb, 255u);
      }
      img.pixels[std::size_t(y) * std::size_t(img.width) + std::size_t(x)] =
          0xFF000000u | (p & 0xFFFFFF);
    }
  }
  cairo_surface_destroy(s);
  return img;
}

void PutU16(std::string& out, std::uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace

Image DecodeImage(std::string_view bytes, const std::string& nameForErrors) {
  if (bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8))
    return DecodePng(bytes, nameForErrors);
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "BM") return DecodeBmp(bytes, nameForErrors);
  Fail(nameForErrors, "not a BMP or PNG file");
}

Image LoadImageFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError("Cannot open file \"" + path + "\"", 2);
  std::ostringstream data;
  data << in.rdbuf();
  return DecodeImage(data.str(), path);
}

void SaveImageFile(const std::string& path, const PixelView& view) {
  if (view.Empty()) throw EInvalidGraphic("Cannot save an empty image to \"" + path + "\"");
  const bool bmp = path.size() >= 4 && SameText(path.substr(path.size() - 4), ".bmp");
  if (bmp) {
    const std::uint32_t stride = std::uint32_t(((view.width * 24 + 31) / 32) * 4);
    std::string out = "BM";
    PutU32(out, 54 + stride * std::uint32_t(view.height));
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, std::uint32_t(view.width));
    PutU32(out, std::uint32_t(view.height));
    PutU16(out, 1);
    PutU16(out, 24);
    for (int i = 0; i < 6; ++i) PutU32(out, 0);
    for (int y = view.height - 1; y >= 0; --y) {
      const std::uint32_t* row = view.Row(y);
      for (int x = 0; x < view.width; ++x) {
        out.push_back(char(row[x] & 0xFF));
        out.push_back(char((row[x] >> 8) & 0xFF));
        out.push_back(char((row[x] >> 16) & 0xFF));
      }
      out.append(stride - std::uint32_t(view.width) * 3, '\0');
    }
    std::ofstream file(path, std::ios::binary);
    if (!file.write(out.data(), std::streamsize(out.size())))
      throw EInOutError("Cannot write file \"" + path + "\"", 5);
    return;
  }
  cairo_surface_t* s = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(view.pixels), CAIRO_FORMAT_RGB24, view.width, view.height,
      view.width * 4);
  const cairo_status_t status = cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
  if (status != CAIRO_STATUS_SUCCESS) throw EInOutError("Cannot write file \"" + path + "\"", 5);
}

}  // namespace vcl::gfx
