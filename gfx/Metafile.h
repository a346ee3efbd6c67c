// TMetafile: a vector picture held as an enhanced metafile, or as the records
// of an old-style metafile read from a ".wmf" file; it remembers which.
// TMetafileCanvas records drawing into a metafile.
//
// The reference device "the screen" is a fixed device of 96 dots per inch,
// 1920 by 1440 pixels, 508 by 381 millimetres (gfx/metafile/MetafileData.h).
// Which records are played back: docs/metafile-records.md.
#pragma once

#include "gfx/Canvas.h"
#include "gfx/Graphic.h"

#include <memory>

namespace pictor {

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    const char* ClassName() const override { return "TMetafile"; }
    std::unique_ptr<TGraphic> Clone() const override;

    // Size in pixels. When Inch is not 0 it is derived from the physical
    // frame (MMWidth/MMHeight) at the screen's 96 dots per inch.
    int Width() const override;
    int Height() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() const override;

    // Physical frame in 0.01 mm.
    int MMWidth() const;
    int MMHeight() const;

    // Units per inch: the value written into a placeable header.
    int Inch() const;
    void SetInch(int value);

    // True for an enhanced metafile, false for old-style records.
    bool Enhanced() const;
    void SetEnhanced(bool value);

    // Plays the records back onto canvas, scaled from the frame to rect.
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    void Assign(const TGraphic& source) override;

    // Enhanced (".emf") or placeable old-style (".wmf"; plain old-style files
    // are read too), recognised by content.
    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    // In the format it carries.
    std::vector<std::uint8_t> SaveToBytes() const override;
    // Under ".wmf" (any case) always the placeable old-style format.
    void SaveToFile(const std::string& fileName) const override;

    TPalette Palette() const override;
    void SetPalette(const TPalette& palette) override;

    struct TData;

private:
    friend class TMetafileCanvas;
    std::shared_ptr<TData> FData;
};

// Records into a metafile with the screen as reference device. The recording
// replaces the metafile's content when the canvas is destroyed. Its size is
// the metafile's pixel size when the canvas is made; the frame is the
// metafile's physical size then, or (when that is 0) the bounds of what was
// drawn.
class TMetafileCanvas : public TCanvas {
public:
    explicit TMetafileCanvas(TMetafile& metafile);
    ~TMetafileCanvas() override;

    int Width() const override;
    int Height() const override;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    using TCanvas::Rectangle;
    void FillRect(const TRect& r) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Polyline(const std::vector<TPoint>& points) override;
    void Polygon(const std::vector<TPoint>& points) override;
    void TextOut(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) override;
    int TextHeight(const std::string& text) override;
    void Draw(int x, int y, const TGraphic& graphic) override;
    void StretchDraw(const TRect& rect, const TGraphic& graphic) override;
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& srcRect) override;

    void FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode) override;
    void StrokePath(const TPath& path, const TPen& pen, double width) override;
    void DrawTextRun(const TTextRun& run) override;
    void DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop, double destWidth,
                    double destHeight, std::uint32_t rop) override;
    TPointF MeasureText(const std::string& text, const TFont& font) override;
    void SaveClip() override;
    void RestoreClip() override;
    void IntersectClip(const TPath& path, TFillRule rule) override;
    void ResetClip() override;

    struct TRecorder;

private:
    TMetafile& FMetafile;
    std::unique_ptr<TRecorder> FRecorder;
};

} // namespace pictor
