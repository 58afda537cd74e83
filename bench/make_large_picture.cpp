// Writes one large picture row by row, so that pictures of any size can be made in a few
// megabytes of memory: a 24-bit BMP, a 256-colour GIF, a CMYK JPEG (Adobe's inverted inks) or an
// RGB TIFF (uncompressed in one strip, LZW in strips, or LZW in tiles) of soft gradients with a
// grid of lines, the same bytes on every run.
//
//   make_large_picture bmp|gif|cmyk|tiff|tiff-lzw|tiff-tiled WIDTH HEIGHT OUT
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

namespace {

// The picture's colour at (x, y) of w x h: red across, green down, blue in a grid every 64 pixels.
void colour(int x, int y, int w, int h, uint8_t rgb[3]) {
    rgb[0] = uint8_t(255LL * x / std::max(1, w - 1));
    rgb[1] = uint8_t(255LL * y / std::max(1, h - 1));
    rgb[2] = (x % 64 < 2 || y % 64 < 2) ? 255 : 64;
}

void put32(std::FILE* f, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        std::fputc(int(v >> (8 * i) & 0xff), f);
}

bool writeBmp(int w, int h, const char* out) {
    std::FILE* f = std::fopen(out, "wb");
    if (!f)
        return false;
    const uint64_t stride = (uint64_t(w) * 3 + 3) / 4 * 4;
    const uint64_t size = 54 + stride * uint64_t(h);
    std::fputs("BM", f);
    put32(f, size > 0xffffffffu ? 0 : uint32_t(size));
    put32(f, 0);
    put32(f, 54);
    put32(f, 40);
    put32(f, uint32_t(w));
    put32(f, uint32_t(h)); // bottom-up, as most writers store them
    put32(f, 1 | 24 << 16);
    for (int i = 0; i < 6; ++i)
        put32(f, 0);
    std::vector<uint8_t> row(stride, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            uint8_t rgb[3];
            colour(x, y, w, h, rgb);
            row[size_t(x) * 3] = rgb[2];
            row[size_t(x) * 3 + 1] = rgb[1];
            row[size_t(x) * 3 + 2] = rgb[0];
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

bool writeGif(int w, int h, const char* out) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(out, false, &error);
    if (!gif)
        return false;
    // 8 reds x 8 greens x 4 blues.
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {GifByteType((i >> 5) * 255 / 7), GifByteType((i >> 2 & 7) * 255 / 7),
                      GifByteType((i & 3) * 85)};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t rgb[3];
            colour(x, y, w, h, rgb);
            line[size_t(x)] = GifPixelType((rgb[0] >> 5) << 5 | (rgb[1] >> 5) << 2 | rgb[2] >> 6);
        }
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

bool writeCmyk(int w, int h, const char* out) {
    std::FILE* f = std::fopen(out, "wb");
    if (!f)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE); // with Adobe's marker: the inks are stored inverted
    std::vector<JSAMPLE> row(size_t(w) * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t rgb[3];
            colour(x, y, w, h, rgb);
            JSAMPLE* p = &row[size_t(x) * 4];
            p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2], p[3] = 255; // inverted inks, no black
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(f) == 0;
}

bool writeTiff(int w, int h, const std::string& layout, const char* out) {
    TIFF* tif = TIFFOpen(out, w * int64_t(h) * 3 >= (int64_t(1) << 32) ? "w8" : "w");
    if (!tif)
        return false;
    const bool tiled = layout == "tiff-tiled";
    constexpr uint32_t Tile = 256;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, layout == "tiff" ? COMPRESSION_NONE : COMPRESSION_LZW);
    if (layout != "tiff")
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, Tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, Tile);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                     layout == "tiff" ? uint32_t(h) : TIFFDefaultStripSize(tif, 0));
    }
    // Tiles take a band of rows at a time.
    const uint32_t bandRows = tiled ? Tile : 1;
    std::vector<uint8_t> band(size_t(w) * 3 * bandRows);
    std::vector<uint8_t> tile(size_t(Tile) * Tile * 3);
    bool ok = true;
    for (int y0 = 0; ok && y0 < h; y0 += int(bandRows)) {
        const int rows = std::min(int(bandRows), h - y0);
        for (int r = 0; r < rows; ++r)
            for (int x = 0; x < w; ++x)
                colour(x, y0 + r, w, h, &band[(size_t(r) * size_t(w) + size_t(x)) * 3]);
        if (!tiled) {
            ok = TIFFWriteScanline(tif, band.data(), uint32_t(y0), 0) >= 0;
            continue;
        }
        for (int x0 = 0; ok && x0 < w; x0 += int(Tile)) {
            std::fill(tile.begin(), tile.end(), 0);
            const int cols = std::min(int(Tile), w - x0);
            for (int r = 0; r < rows; ++r)
                std::memcpy(&tile[size_t(r) * Tile * 3], &band[(size_t(r) * size_t(w) + size_t(x0)) * 3],
                            size_t(cols) * 3);
            ok = TIFFWriteTile(tif, tile.data(), uint32_t(x0), uint32_t(y0), 0, 0) >= 0;
        }
    }
    TIFFClose(tif);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: make_large_picture bmp|gif|cmyk|tiff|tiff-lzw|tiff-tiled WIDTH HEIGHT OUT\n");
        return 2;
    }
    const std::string kind = argv[1];
    const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
    if (w <= 0 || h <= 0)
        return 2;
    const bool ok = kind == "bmp"                ? writeBmp(w, h, argv[4])
                    : kind == "gif"              ? writeGif(w, h, argv[4])
                    : kind.rfind("tiff", 0) == 0 ? writeTiff(w, h, kind, argv[4])
                                                 : kind == "cmyk" && writeCmyk(w, h, argv[4]);
    if (!ok)
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
    return ok ? 0 : 1;
}
