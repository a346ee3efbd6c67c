// Helpers of the metafile tests: a canvas that logs what playback asks of it,
// builders of enhanced and old-style metafile files from records, and
// readers of the records a metafile holds.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Metafile.h"
#include "gfx/formats/ByteWriter.h"

extern "C" {
#include <uemf.h>
#include <uwmf.h>
}

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace pictor::testing {

// Logs every primitive call; text is measured as 8 by 16 pixels a byte.
class TLogCanvas : public TCanvas {
public:
    struct Fill {
        TPath Path;
        TFillRule Rule;
        TBrush Brush;
        TPenMode Mode;
    };
    struct Stroke {
        TPath Path;
        TPen Pen;
        double Width;
    };
    struct Blit {
        TBitmap Bitmap;
        TRect Src;
        double Left, Top, Width, Height;
        std::uint32_t Rop;
    };

    TLogCanvas(int width = 1000, int height = 1000) : FWidth(width), FHeight(height) {}
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }

    void FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode) override
    {
        Fills.push_back({path, rule, brush, mode});
    }
    void StrokePath(const TPath& path, const TPen& pen, double width) override
    {
        Strokes.push_back({path, pen, width});
    }
    void DrawTextRun(const TTextRun& run) override { Texts.push_back(run); }
    void DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double l, double t, double w, double h,
                    std::uint32_t rop) override
    {
        Blits.push_back({bitmap, srcRect, l, t, w, h, rop});
    }
    TPointF MeasureText(const std::string& text, const TFont&) override
    {
        return {8.0 * static_cast<double>(text.size()), 16};
    }
    void SaveClip() override
    {
        ++Depth;
        MaxDepth = std::max(MaxDepth, Depth);
    }
    void RestoreClip() override
    {
        --Depth;
        if (Depth < 0) Unbalanced = true;
    }
    void IntersectClip(const TPath& path, TFillRule) override { Clips.push_back(path); }
    void ResetClip() override { ++Resets; }

    std::vector<Fill> Fills;
    std::vector<Stroke> Strokes;
    std::vector<TTextRun> Texts;
    std::vector<Blit> Blits;
    std::vector<TPath> Clips;
    int Depth = 0, MaxDepth = 0, Resets = 0;
    bool Unbalanced = false;

private:
    int FWidth, FHeight;
};

// The points of a path's moves and lines, in order.
inline std::vector<TPointF> PointsOf(const TPath& path)
{
    std::vector<TPointF> out;
    for (const auto& e : path.Elements())
        if (e.kind == TPath::pkMove || e.kind == TPath::pkLine) out.push_back(e.p[0]);
    return out;
}

// Bounding box of a path's points: left, top, right, bottom.
inline std::array<double, 4> BoxOf(const TPath& path)
{
    std::array<double, 4> b{1e300, 1e300, -1e300, -1e300};
    for (const auto& e : path.Elements()) {
        int n = e.kind == TPath::pkBezier ? 3 : e.kind == TPath::pkClose ? 0 : 1;
        for (int i = 0; i < n; ++i) {
            b[0] = std::min(b[0], e.p[i].X);
            b[1] = std::min(b[1], e.p[i].Y);
            b[2] = std::max(b[2], e.p[i].X);
            b[3] = std::max(b[3], e.p[i].Y);
        }
    }
    return b;
}

// An enhanced metafile file from libuemf records (each freed here), with a
// header for a device of 1000 by 1000 pixels and 100 by 100 millimetres.
class TEmfBuilder {
public:
    TEmfBuilder& Add(char* record)
    {
        std::uint32_t size;
        std::memcpy(&size, record + 4, 4);
        FRecords.insert(FRecords.end(), record, record + size);
        std::free(record);
        ++FCount;
        return *this;
    }
    TEmfBuilder& AddRaw(const std::vector<std::uint8_t>& bytes)
    {
        FRecords.insert(FRecords.end(), bytes.begin(), bytes.end());
        ++FCount;
        return *this;
    }
    // frame in 0.01 mm.
    std::vector<std::uint8_t> Build(U_RECTL frame = U_RECTL{0, 0, 10000, 10000}, int handles = 16) const
    {
        char* header = U_EMRHEADER_set(U_RECTL{0, 0, 999, 999}, frame, nullptr, 0, nullptr, sizel_set(1000, 1000),
                                       sizel_set(100, 100), 0);
        std::uint32_t headerSize;
        std::memcpy(&headerSize, header + 4, 4);
        std::vector<std::uint8_t> out(header, header + headerSize);
        std::free(header);
        out.insert(out.end(), FRecords.begin(), FRecords.end());
        const std::uint8_t eof[20] = {14, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0};
        out.insert(out.end(), eof, eof + 20);
        Put32(out, 48, static_cast<std::uint32_t>(out.size()));
        Put32(out, 52, FCount + 2);
        Put16(out, 56, static_cast<std::uint16_t>(handles));
        return out;
    }

private:
    std::vector<char> FRecords;
    std::uint32_t FCount = 0;
};

// A record of 32-bit words (type and size filled in).
inline std::vector<std::uint8_t> EmfRecord(std::uint32_t type, const std::vector<std::uint32_t>& words)
{
    std::vector<std::uint8_t> r(8 + 4 * words.size());
    Put32(r, 0, type);
    Put32(r, 4, static_cast<std::uint32_t>(r.size()));
    for (std::size_t i = 0; i < words.size(); ++i) Put32(r, 8 + 4 * i, words[i]);
    return r;
}

// An old-style file from 16-bit words of records (size and function
// included), placeable with box and inch when inch is not 0.
inline std::vector<std::uint8_t> WmfFile(const std::vector<std::vector<std::uint16_t>>& records, TRect box,
                                         int inch)
{
    std::vector<std::uint16_t> words;
    if (inch != 0) {
        std::vector<std::uint16_t> h = {0xCDD7, 0x9AC6, 0, static_cast<std::uint16_t>(box.Left),
                                        static_cast<std::uint16_t>(box.Top), static_cast<std::uint16_t>(box.Right),
                                        static_cast<std::uint16_t>(box.Bottom), static_cast<std::uint16_t>(inch), 0,
                                        0};
        std::uint16_t sum = 0;
        for (auto w : h) sum ^= w;
        h.push_back(sum);
        words = h;
    }
    std::size_t total = 9 + 3;
    for (const auto& r : records) total += r.size();
    std::vector<std::uint16_t> header = {1, 9, 0x0300, static_cast<std::uint16_t>(total),
                                         static_cast<std::uint16_t>(total >> 16), 16, 20, 0, 0};
    words.insert(words.end(), header.begin(), header.end());
    for (const auto& r : records) words.insert(words.end(), r.begin(), r.end());
    words.insert(words.end(), {3, 0, 0});
    std::vector<std::uint8_t> out;
    for (auto w : words) Push16(out, w);
    return out;
}

// A record of 16-bit parameters.
inline std::vector<std::uint16_t> WmfRecord(std::uint16_t function, const std::vector<std::int16_t>& params)
{
    std::vector<std::uint16_t> r;
    std::uint32_t words = static_cast<std::uint32_t>(3 + params.size());
    r.push_back(static_cast<std::uint16_t>(words));
    r.push_back(static_cast<std::uint16_t>(words >> 16));
    r.push_back(function);
    for (auto p : params) r.push_back(static_cast<std::uint16_t>(p));
    return r;
}

// Records of old-style files: a solid brush, a null pen, selecting an object
// and a rectangle.
inline std::vector<std::uint16_t> Brush(TColor color)
{
    return WmfRecord(
        0x02FC, {0, static_cast<std::int16_t>(color & 0xFFFF), static_cast<std::int16_t>(color >> 16), 0});
}

inline std::vector<std::uint16_t> NullPen()
{
    return WmfRecord(0x02FA, {5, 0, 0, 0, 0});
}

inline std::vector<std::uint16_t> Select(std::int16_t index)
{
    return WmfRecord(0x012D, {index});
}

inline std::vector<std::uint16_t> Rectangle(std::int16_t l, std::int16_t t, std::int16_t r, std::int16_t b)
{
    return WmfRecord(0x041B, {b, r, t, l});
}

// A placeable picture of 100 by 100 pixels played onto a white bitmap of
// side pixels.
inline TBitmap Render(const std::vector<std::vector<std::uint16_t>>& records, int side = 100)
{
    TMetafile m;
    m.LoadFromBytes(WmfFile(records, Rect(0, 0, 100, 100), 96));
    TBitmap b;
    b.SetSize(side, side);
    b.Canvas().StretchDraw(Rect(0, 0, side, side), m);
    return b;
}

// One scan of an old-style region: a band from Top to Bottom and the left
// and right edges of its rectangles, in pairs.
struct TWmfScan {
    std::int16_t Top, Bottom;
    std::vector<std::int16_t> Edges;
};

// A CREATEREGION record of scans.
inline std::vector<std::uint16_t> WmfRegionRecord(const std::vector<TWmfScan>& scans)
{
    std::vector<std::int16_t> body;
    std::int16_t l = 0x7FFF, t = 0x7FFF, r = -0x8000, b = -0x8000;
    std::size_t maxScan = 0;
    for (const auto& s : scans) {
        const auto count = static_cast<std::int16_t>(s.Edges.size());
        body.push_back(count);
        body.push_back(s.Top);
        body.push_back(s.Bottom);
        body.insert(body.end(), s.Edges.begin(), s.Edges.end());
        body.push_back(count);
        maxScan = std::max(maxScan, s.Edges.size() / 2);
        t = std::min(t, s.Top);
        b = std::max(b, s.Bottom);
        for (auto e : s.Edges) {
            l = std::min(l, e);
            r = std::max(r, e);
        }
    }
    std::vector<std::int16_t> params = {0, 6, 0, 0, static_cast<std::int16_t>(22 + 2 * body.size()),
                                        static_cast<std::int16_t>(scans.size()), static_cast<std::int16_t>(maxScan),
                                        l, t, r, b};
    params.insert(params.end(), body.begin(), body.end());
    return WmfRecord(0x06FF, params);
}

// The types of the records of an enhanced metafile file, in order.
inline std::vector<std::uint32_t> EmfRecordTypes(const std::vector<std::uint8_t>& file)
{
    std::vector<std::uint32_t> types;
    std::size_t at = 0;
    while (at + 8 <= file.size()) {
        std::uint32_t type, size;
        std::memcpy(&type, file.data() + at, 4);
        std::memcpy(&size, file.data() + at + 4, 4);
        types.push_back(type);
        if (size < 8) break;
        at += size;
    }
    return types;
}

inline int Count(const std::vector<std::uint32_t>& types, std::uint32_t type)
{
    return static_cast<int>(std::count(types.begin(), types.end(), type));
}

} // namespace pictor::testing
