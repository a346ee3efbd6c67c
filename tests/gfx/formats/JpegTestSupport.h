// Makes JPEG files with libjpeg directly, independent of our encoder, so the
// decoder tests do not merely check our encoder against our decoder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace pictor::testing {

struct TJpegFixture {
    int Width = 16;
    int Height = 16;
    // JCS_RGB (3 samples R, G, B), JCS_GRAYSCALE (1) or JCS_CMYK (4 ink
    // amounts C, M, Y, K; stored inverted when AdobeMarker, as Adobe does).
    J_COLOR_SPACE Input = JCS_RGB;
    bool Progressive = false;
    bool AdobeMarker = true;
    int Quality = 100;
    bool FullChroma = true;  // 1x1 sampling for every component
    // The coded colour space when not libjpeg's default for the input (JCS_YCCK).
    J_COLOR_SPACE Coded = JCS_UNKNOWN;
};

// fill(x, y, samples) writes the input samples of one pixel.
inline std::vector<std::uint8_t> MakeJpeg(const TJpegFixture& f,
                                          const std::function<void(int, int, std::uint8_t*)>& fill)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    const int components = f.Input == JCS_RGB ? 3 : f.Input == JCS_GRAYSCALE ? 1 : 4;
    info.image_width = static_cast<JDIMENSION>(f.Width);
    info.image_height = static_cast<JDIMENSION>(f.Height);
    info.input_components = components;
    info.in_color_space = f.Input;
    jpeg_set_defaults(&info);
    if (f.Coded != JCS_UNKNOWN) jpeg_set_colorspace(&info, f.Coded);
    if (f.Input == JCS_CMYK) info.write_Adobe_marker = f.AdobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&info, f.Quality, TRUE);
    if (f.FullChroma)
        for (int i = 0; i < info.num_components; ++i) {
            info.comp_info[i].h_samp_factor = 1;
            info.comp_info[i].v_samp_factor = 1;
        }
    if (f.Progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(f.Width) * components);
    for (int y = 0; y < f.Height; ++y) {
        for (int x = 0; x < f.Width; ++x) {
            fill(x, y, row.data() + static_cast<std::size_t>(x) * components);
            if (f.Input == JCS_CMYK && f.AdobeMarker)
                for (int i = 0; i < 4; ++i) row[x * 4 + i] = static_cast<std::uint8_t>(255 - row[x * 4 + i]);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

// The smooth colour test picture: red rises to the right, green downwards,
// blue is their mean.
inline void GradientRgb(int x, int y, std::uint8_t* rgb)
{
    rgb[0] = static_cast<std::uint8_t>(x * 8);
    rgb[1] = static_cast<std::uint8_t>(y * 8);
    rgb[2] = static_cast<std::uint8_t>((x + y) * 4);
}

} // namespace pictor::testing
