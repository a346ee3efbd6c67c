// JPEG decoding and encoding with libjpeg-turbo, on raw pixel rows.
//
// How errors are handled. libjpeg reports a fatal error by calling the error
// manager's error_exit, which must not return. Ours records libjpeg's message
// and longjmps back to the setjmp of one of the Run* functions below. Those
// functions are written like C: everything they touch lives in a plain
// struct (TState, TEncodeState) that only holds trivially destructible members,
// their own locals are trivial, and so are the callbacks that libjpeg calls
// (error manager, destination manager). The jump therefore skips only
// libjpeg's C frames and trivial frames of ours: no destructor is skipped, no
// C++ exception crosses a C frame. A Run* function reports failure by
// returning false; its C++ caller then raises EInvalidGraphic, and the RAII
// owner of the struct calls jpeg_destroy_* and frees the output buffer.
// libjpeg's default handlers would print to stderr and call exit(); ours do
// neither.
#include "gfx/formats/Jpeg.h"

#include "core/Exception.h"
#include "gfx/Limits.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include <jerror.h>
#include <jpeglib.h>

namespace pictor {

namespace {

struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    int Warnings;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// Warnings (level -1) are counted; trace messages are dropped. Nothing is
// printed.
void EmitMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    if (level < 0) ++err->Warnings;
}

void OutputMessage(j_common_ptr) {}

void InstallErrorManager(TErrorManager& err)
{
    jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.emit_message = EmitMessage;
    err.Pub.output_message = OutputMessage;
    err.Warnings = 0;
    err.Message[0] = '\0';
}

std::string Detail(const TErrorManager& err)
{
    return err.Message[0] ? std::string("JPEG: libjpeg が処理を中止しました (") + err.Message + ")"
                          : std::string("JPEG");
}

TJpegColorSpace ColorSpaceOf(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE: return jcsGray;
    case JCS_YCbCr: return jcsYCbCr;
    case JCS_RGB: return jcsRGB;
    case JCS_CMYK: return jcsCMYK;
    case JCS_YCCK: return jcsYCCK;
    default: return jcsOther;
    }
}

// One CMYK row to blue, green, red. Adobe's programs store the samples
// inverted (255 = no ink); other writers store ink amounts.
void CmykRowToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

} // namespace

// Everything libjpeg touches while decoding; trivially destructible (see the
// comment at the top of the file).
struct TJpegDecoder::TState {
    jpeg_decompress_struct Info;
    TErrorManager Error;
    jpeg_progress_mgr Progress;
    bool Created;
    bool Cmyk;
    bool Inverted;
    std::uint8_t* const* Rows;
    JSAMPLE* CmykRow;
    int RowsDone;
};
static_assert(std::is_trivially_destructible_v<TJpegDecoder::TState>);

namespace {

// A progressive file may hold any number of scans, each of which makes the
// decoder pass over the whole coefficient buffer; a damaged or hostile file
// with thousands of tiny scans would keep it busy for minutes. Real files
// have about ten.
constexpr int kMaxScans = 1000;

void CheckScanCount(j_common_ptr cinfo)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (info->input_scan_number > kMaxScans) ERREXIT(info, JERR_NOTIMPL);
}

bool RunReadHeader(TJpegDecoder::TState* s, const std::uint8_t* data, std::size_t size)
{
    s->Info.err = &s->Error.Pub;
    InstallErrorManager(s->Error);
    if (setjmp(s->Error.Jump)) return false;
    s->Created = true;
    jpeg_create_decompress(&s->Info);
    s->Progress.progress_monitor = CheckScanCount;
    s->Info.progress = &s->Progress;
    jpeg_mem_src(&s->Info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s->Info, TRUE);
    return true;
}

bool RunDecode(TJpegDecoder::TState* s)
{
    if (setjmp(s->Error.Jump)) return false;
    s->Info.out_color_space = s->Cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&s->Info);
    if (s->Info.output_components != (s->Cmyk ? 4 : 3)) ERREXIT(&s->Info, JERR_BAD_J_COLORSPACE);
    while (s->Info.output_scanline < s->Info.output_height) {
        const JDIMENSION y = s->Info.output_scanline;
        JSAMPROW row = s->Cmyk ? s->CmykRow : s->Rows[y];
        if (jpeg_read_scanlines(&s->Info, &row, 1) != 1) ERREXIT(&s->Info, JERR_INPUT_EOF);
        if (s->Cmyk) CmykRowToBgr(s->CmykRow, s->Rows[y], s->Info.output_width, s->Inverted);
        s->RowsDone = static_cast<int>(y) + 1;
    }
    jpeg_finish_decompress(&s->Info);
    return true;
}

} // namespace

TJpegDecoder::TJpegDecoder(std::span<const std::uint8_t> bytes) : FState(new TState())
{
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        throw EInvalidGraphic("JPEG: JPEG の開始マーカーがありません");
    if (!RunReadHeader(FState.get(), bytes.data(), bytes.size())) throw EInvalidGraphic(Detail(FState->Error));
    const jpeg_decompress_struct& info = FState->Info;
    FHeader.Width = static_cast<int>(std::min<JDIMENSION>(info.image_width, 1u << 30));
    FHeader.Height = static_cast<int>(std::min<JDIMENSION>(info.image_height, 1u << 30));
    FHeader.Components = info.num_components;
    FHeader.ColorSpace = ColorSpaceOf(info.jpeg_color_space);
    FHeader.Progressive = info.progressive_mode != FALSE;
    FHeader.AdobeMarker = info.saw_Adobe_marker != FALSE;
    if (!PictureSizeAllowed(FHeader.Width, FHeader.Height))
        throw EInvalidGraphic("JPEG: 画像 " + std::to_string(info.image_width) + " × " +
                              std::to_string(info.image_height) + " は大きすぎます");
    if (FHeader.ColorSpace == jcsOther) throw EInvalidGraphic("JPEG: この色空間は扱えません");
}

void TJpegDecoder::TStateDeleter::operator()(TState* state) const
{
    if (state->Created) jpeg_destroy_decompress(&state->Info);
    delete state;
}

TJpegDecodeResult TJpegDecoder::Decode(std::span<std::uint8_t* const> rows)
{
    PICTOR_ASSERT(rows.size() == static_cast<std::size_t>(FHeader.Height));
    TState& s = *FState;
    s.Cmyk = FHeader.ColorSpace == jcsCMYK || FHeader.ColorSpace == jcsYCCK;
    s.Inverted = FHeader.AdobeMarker;
    s.Rows = rows.data();
    s.RowsDone = 0;
    std::vector<JSAMPLE> cmykRow(s.Cmyk ? static_cast<std::size_t>(FHeader.Width) * 4 : 0);
    s.CmykRow = cmykRow.data();
    const bool ok = RunDecode(&s);
    if (!ok && s.RowsDone == 0) throw EInvalidGraphic(Detail(s.Error));
    return TJpegDecodeResult{s.RowsDone, s.Error.Warnings};
}

// ---------------------------------------------------------------------------
// Encoding

namespace {

// A growing output buffer from malloc/realloc; freed by TEncodeJob.
struct TSink {
    jpeg_destination_mgr Pub;
    unsigned char* Data;
    std::size_t Capacity;
    std::size_t Size;
};

struct TEncodeState {
    jpeg_compress_struct Info;
    TErrorManager Error;
    TSink Sink;
    bool Created;
    int Width;
    int Height;
    const std::uint8_t* const* Rows;
    int Quality;
    bool Progressive;
    bool Grayscale;
};
static_assert(std::is_trivially_destructible_v<TEncodeState>);

TSink& SinkOf(j_compress_ptr cinfo)
{
    return *reinterpret_cast<TSink*>(cinfo->dest);
}

void InitDestination(j_compress_ptr cinfo)
{
    TSink& sink = SinkOf(cinfo);
    sink.Capacity = 64 * 1024;
    sink.Data = static_cast<unsigned char*>(std::malloc(sink.Capacity));
    if (!sink.Data) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    sink.Pub.next_output_byte = sink.Data;
    sink.Pub.free_in_buffer = sink.Capacity;
}

// Called when the whole buffer is full.
boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    TSink& sink = SinkOf(cinfo);
    const std::size_t grown = sink.Capacity * 2;
    auto* data = static_cast<unsigned char*>(std::realloc(sink.Data, grown));
    if (!data) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    sink.Data = data;
    sink.Pub.next_output_byte = data + sink.Capacity;
    sink.Pub.free_in_buffer = grown - sink.Capacity;
    sink.Capacity = grown;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    TSink& sink = SinkOf(cinfo);
    sink.Size = sink.Capacity - sink.Pub.free_in_buffer;
}

bool RunEncode(TEncodeState* s)
{
    s->Info.err = &s->Error.Pub;
    InstallErrorManager(s->Error);
    if (setjmp(s->Error.Jump)) return false;
    s->Created = true;
    jpeg_create_compress(&s->Info);
    s->Sink.Pub.init_destination = InitDestination;
    s->Sink.Pub.empty_output_buffer = EmptyOutputBuffer;
    s->Sink.Pub.term_destination = TermDestination;
    s->Info.dest = &s->Sink.Pub;
    s->Info.image_width = static_cast<JDIMENSION>(s->Width);
    s->Info.image_height = static_cast<JDIMENSION>(s->Height);
    s->Info.input_components = 3;
    s->Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&s->Info);
    if (s->Grayscale) jpeg_set_colorspace(&s->Info, JCS_GRAYSCALE);
    jpeg_set_quality(&s->Info, s->Quality, TRUE);
    for (int i = 0; i < s->Info.num_components; ++i) {
        s->Info.comp_info[i].h_samp_factor = 1;
        s->Info.comp_info[i].v_samp_factor = 1;
    }
    s->Info.optimize_coding = TRUE;
    if (s->Progressive) jpeg_simple_progression(&s->Info);
    jpeg_start_compress(&s->Info, TRUE);
    while (s->Info.next_scanline < s->Info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(s->Rows[s->Info.next_scanline]);
        jpeg_write_scanlines(&s->Info, &row, 1);
    }
    jpeg_finish_compress(&s->Info);
    return true;
}

// Owns a TEncodeState: destroys the compressor and frees the buffer on every
// path.
struct TEncodeJob {
    std::unique_ptr<TEncodeState> State = std::make_unique<TEncodeState>();
    ~TEncodeJob()
    {
        if (State->Created) jpeg_destroy_compress(&State->Info);
        std::free(State->Sink.Data);
    }
};

} // namespace

std::vector<std::uint8_t> EncodeJpeg(int width, int height, std::span<const std::uint8_t* const> rows,
                                     const TJpegEncodeOptions& options)
{
    if (width <= 0 || height <= 0 || rows.size() != static_cast<std::size_t>(height))
        throw EInvalidGraphic("空の画像は JPEG ファイルに保存できません");
    TEncodeJob job;
    TEncodeState& s = *job.State;
    s.Width = width;
    s.Height = height;
    s.Rows = rows.data();
    s.Quality = std::clamp(options.Quality, 1, 100);
    s.Progressive = options.Progressive;
    s.Grayscale = options.Grayscale;
    if (!RunEncode(&s)) throw EInvalidGraphic(Detail(s.Error));
    return std::vector<std::uint8_t>(s.Sink.Data, s.Sink.Data + s.Sink.Size);
}

} // namespace pictor
