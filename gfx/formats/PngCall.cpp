// libpng's structures and the guard around its calls (see PngCall.h).
#include "gfx/formats/PngCall.h"

#include "core/Exception.h"

#include <csetjmp>
#include <cstring>
#include <new>
#include <string>

namespace pictor {

namespace {

TPngStream& StreamOf(png_structp png)
{
    return *static_cast<TPngStream*>(png_get_error_ptr(png));
}

[[noreturn]] void OnError(png_structp png, png_const_charp message)
{
    TPngStream& stream = StreamOf(png);
    std::strncpy(stream.Message, message ? message : "", sizeof stream.Message - 1);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Hands out the file's bytes; a read past its end is an error ("cut short").
void ReadBytes(png_structp png, png_bytep data, std::size_t length)
{
    auto* stream = static_cast<TPngStream*>(png_get_io_ptr(png));
    if (length > stream->Size - stream->Position) png_error(png, "the file is cut short");
    std::memcpy(data, stream->Data + stream->Position, length);
    stream->Position += length;
}

// The only frame that libpng's longjmp lands in: nothing here or in step has
// a destructor.
bool RunPngStep(TPngStream& stream, TPngStep step, void* argument)
{
    if (setjmp(png_jmpbuf(stream.Png))) return false;
    step(stream, argument);
    return true;
}

} // namespace

TPngHandle::TPngHandle(TKind kind, std::span<const std::uint8_t> bytes) : kind_(kind)
{
    stream_.Png = kind == kRead
                      ? png_create_read_struct(PNG_LIBPNG_VER_STRING, &stream_, OnError, OnWarning)
                      : png_create_write_struct(PNG_LIBPNG_VER_STRING, &stream_, OnError, OnWarning);
    if (!stream_.Png) throw std::bad_alloc();
    stream_.Info = png_create_info_struct(stream_.Png);
    if (!stream_.Info) {
        // The destructor does not run for a constructor that throws.
        if (kind == kRead)
            png_destroy_read_struct(&stream_.Png, nullptr, nullptr);
        else
            png_destroy_write_struct(&stream_.Png, nullptr);
        throw std::bad_alloc();
    }
    if (kind == kRead) {
        stream_.Data = bytes.data();
        stream_.Size = bytes.size();
        png_set_read_fn(stream_.Png, &stream_, ReadBytes);
    }
}

TPngHandle::~TPngHandle()
{
    if (kind_ == kRead)
        png_destroy_read_struct(&stream_.Png, &stream_.Info, nullptr);
    else
        png_destroy_write_struct(&stream_.Png, &stream_.Info);
}

void TPngHandle::Run(TPngStep step, void* argument)
{
    stream_.Message[0] = '\0';
    if (!RunPngStep(stream_, step, argument))
        throw EInvalidGraphic(stream_.Message[0] ? std::string("PNG: ") + stream_.Message
                                                 : std::string("PNG"));
}

} // namespace pictor
