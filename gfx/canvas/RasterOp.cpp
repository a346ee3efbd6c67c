#include "gfx/canvas/RasterOp.h"

#include <algorithm>
#include <cstring>

namespace pictor::raster {

namespace {

std::uint32_t EvalPenMode(TPenMode mode, std::uint32_t p, std::uint32_t d)
{
    switch (mode) {
    case pmBlack: return 0;
    case pmWhite: return ~0u;
    case pmNop: return d;
    case pmNot: return ~d;
    case pmCopy: return p;
    case pmNotCopy: return ~p;
    case pmMergePenNot: return p | ~d;
    case pmMaskPenNot: return p & ~d;
    case pmMergeNotPen: return ~p | d;
    case pmMaskNotPen: return ~p & d;
    case pmMerge: return p | d;
    case pmNotMerge: return ~(p | d);
    case pmMask: return p & d;
    case pmNotMask: return ~(p & d);
    case pmXor: return p ^ d;
    case pmNotXor: return ~(p ^ d);
    }
    return d;
}

// All ones when the truth table t gives 1 for pattern bit p, source bit s and
// destination bit d.
std::uint32_t Truth(std::uint32_t t, int p, int s, int d)
{
    return ((t >> (p * 4 + s * 2 + d)) & 1u) ? ~0u : 0u;
}

} // namespace

TBitOp PenOp(TPenMode mode, std::uint32_t pen, std::uint32_t valueMask)
{
    std::uint32_t f0 = EvalPenMode(mode, pen, 0);
    std::uint32_t f1 = EvalPenMode(mode, pen, ~0u);
    return TBitOp{(f0 ^ f1) | ~valueMask, f0 & valueMask};
}

TSourceOp::TSourceOp(std::uint32_t rop, std::uint32_t pattern, std::uint32_t valueMask)
{
    std::uint32_t t = (rop >> 16) & 0xFF;
    auto m = [&](int s, int d) { return (pattern & Truth(t, 1, s, d)) | (~pattern & Truth(t, 0, s, d)); };
    FX1 = m(1, 0);
    FX0 = m(0, 0);
    FA1 = m(1, 0) ^ m(1, 1);
    FA0 = m(0, 0) ^ m(0, 1);
    FKeep = ~valueMask;
    FMask = valueMask;
}

namespace {

// Writes n pixels of bytes bytes each, all the little-endian value v: one
// pixel, then copies of what is written so far, doubling each time.
void FillRun(std::uint8_t* p, int bytes, int n, std::uint32_t v)
{
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    const std::size_t total = std::size_t(n) * static_cast<std::size_t>(bytes);
    std::size_t done = static_cast<std::size_t>(bytes);
    while (done < total) {
        std::size_t chunk = std::min(done, total - done);
        std::memcpy(p + done, p, chunk);
        done += chunk;
    }
}

// A byte-wide op for packed 1- and 4-bit rows, applied under mask.
void ApplyPacked(std::uint8_t* row, int bpp, int x0, int x1, TBitOp op)
{
    const int perByte = 8 / bpp;
    const std::uint32_t pixMask = (1u << bpp) - 1;
    // Replicate the pixel's And/Xor bits across a byte.
    std::uint8_t a = 0, x = 0;
    for (int i = 0; i < perByte; ++i) {
        a = static_cast<std::uint8_t>((a << bpp) | (op.And & pixMask));
        x = static_cast<std::uint8_t>((x << bpp) | (op.Xor & pixMask));
    }
    auto applyMasked = [&](std::uint8_t& b, std::uint8_t m) {
        b = static_cast<std::uint8_t>((b & (a | ~m)) ^ (x & m));
    };
    int bit0 = x0 * bpp;
    int bit1 = x1 * bpp;
    int byte0 = bit0 >> 3;
    int byte1 = (bit1 - 1) >> 3;
    auto maskFrom = [](int bit) { return static_cast<std::uint8_t>(0xFFu >> (bit & 7)); };
    auto maskTo = [](int bitEnd) { // bits before bitEnd within its byte, MSB first
        int n = bitEnd & 7;
        return n == 0 ? std::uint8_t(0xFF) : static_cast<std::uint8_t>(0xFFu << (8 - n));
    };
    if (byte0 == byte1) {
        applyMasked(row[byte0], static_cast<std::uint8_t>(maskFrom(bit0) & maskTo(bit1)));
        return;
    }
    applyMasked(row[byte0], maskFrom(bit0));
    int first = byte0 + 1;
    int last = byte1; // exclusive of the final, possibly partial byte
    if (a == 0) {
        std::memset(row + first, x, static_cast<std::size_t>(last - first));
    } else {
        for (int i = first; i < last; ++i) row[i] = static_cast<std::uint8_t>((row[i] & a) ^ x);
    }
    applyMasked(row[byte1], maskTo(bit1));
}

} // namespace

void ApplyToRun(std::uint8_t* row, int bpp, int x0, int x1, TBitOp op)
{
    if (x1 <= x0 || op.IsNop()) return;
    switch (bpp) {
    case 1:
    case 4:
        ApplyPacked(row, bpp, x0, x1, op);
        return;
    case 8: {
        std::uint8_t a = static_cast<std::uint8_t>(op.And), x = static_cast<std::uint8_t>(op.Xor);
        if (a == 0) {
            std::memset(row + x0, x, static_cast<std::size_t>(x1 - x0));
        } else {
            for (int i = x0; i < x1; ++i) row[i] = static_cast<std::uint8_t>((row[i] & a) ^ x);
        }
        return;
    }
    case 16: {
        if ((op.And & 0xFFFF) == 0) {
            FillRun(row + 2 * x0, 2, x1 - x0, op.Xor);
            return;
        }
        std::uint16_t a = static_cast<std::uint16_t>(op.And), x = static_cast<std::uint16_t>(op.Xor);
        for (int i = x0; i < x1; ++i) {
            std::uint16_t v;
            std::memcpy(&v, row + 2 * i, 2);
            v = static_cast<std::uint16_t>((v & a) ^ x);
            std::memcpy(row + 2 * i, &v, 2);
        }
        return;
    }
    case 24: {
        if ((op.And & 0xFFFFFF) == 0 && x1 - x0 > 16) {
            FillRun(row + 3 * x0, 3, x1 - x0, op.Xor);
            return;
        }
        std::uint8_t a0 = static_cast<std::uint8_t>(op.And), a1 = static_cast<std::uint8_t>(op.And >> 8),
                     a2 = static_cast<std::uint8_t>(op.And >> 16);
        std::uint8_t x0b = static_cast<std::uint8_t>(op.Xor), x1b = static_cast<std::uint8_t>(op.Xor >> 8),
                     x2b = static_cast<std::uint8_t>(op.Xor >> 16);
        std::uint8_t* p = row + 3 * x0;
        std::uint8_t* end = row + 3 * x1;
        if (a0 == 0 && a1 == 0 && a2 == 0 && x0b == x1b && x1b == x2b) {
            std::memset(p, x0b, static_cast<std::size_t>(end - p));
            return;
        }
        for (; p < end; p += 3) {
            p[0] = static_cast<std::uint8_t>((p[0] & a0) ^ x0b);
            p[1] = static_cast<std::uint8_t>((p[1] & a1) ^ x1b);
            p[2] = static_cast<std::uint8_t>((p[2] & a2) ^ x2b);
        }
        return;
    }
    default: {
        std::uint8_t* p = row + 4 * x0;
        if (op.And == 0) {
            FillRun(p, 4, x1 - x0, op.Xor);
            return;
        }
        for (int i = x0; i < x1; ++i, p += 4) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            v = (v & op.And) ^ op.Xor;
            std::memcpy(p, &v, 4);
        }
        return;
    }
    }
}

void ApplyToRunPattern(std::uint8_t* row, int bpp, int x0, int x1, TBitOp op, std::uint8_t pattern)
{
    if (x1 <= x0 || op.IsNop() || pattern == 0) return;
    if (pattern == 0xFF) {
        ApplyToRun(row, bpp, x0, x1, op);
        return;
    }
    for (int x = x0; x < x1; ++x) {
        if (pattern & (0x80u >> (x & 7))) ApplyToRun(row, bpp, x, x + 1, op);
    }
}

} // namespace pictor::raster
