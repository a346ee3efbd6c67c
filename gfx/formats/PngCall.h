// libpng's structures of one stream and the guard that every libpng call
// runs under (shared by PngRead.cpp and PngWrite.cpp).
//
// How errors are handled. libpng reports an error by calling the error
// function it was given, which must not return. Ours copies libpng's message
// into the stream's state and longjmps back to the setjmp in RunPngStep.
// RunPngStep is written like C: it calls one step (a function without
// captures) that only calls libpng; its frame, the step's frame and the
// callbacks libpng calls (reading, writing, errors, warnings) hold only
// trivially destructible objects. The jump therefore skips no destructor and
// no C++ exception crosses libpng's C frames. A failed step makes
// TPngHandle::Run raise EInvalidGraphic with libpng's message; the handle's
// destructor frees libpng's structures on every path. Warnings are dropped:
// nothing reaches the terminal.
#pragma once

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace pictor {

// The state libpng's callbacks reach through their pointer.
struct TPngStream {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    // Reading: the file's bytes and how many were handed out.
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Position = 0;
    // Writing: where the file's bytes go.
    std::vector<std::uint8_t>* Out = nullptr;
    // libpng's message for the last error.
    char Message[160] = {};
};
static_assert(std::is_trivially_destructible_v<TPngStream>);

// One step of libpng calls; argument is whatever the caller passes to Run.
using TPngStep = void (*)(TPngStream& stream, void* argument);

class TPngHandle {
public:
    enum TKind { kRead, kWrite };
    // Creates libpng's structures with our error and warning functions, and
    // for reading the function that hands out the bytes (std::bad_alloc when
    // libpng cannot allocate them).
    TPngHandle(TKind kind, std::span<const std::uint8_t> bytes = {});
    ~TPngHandle();
    TPngHandle(const TPngHandle&) = delete;
    TPngHandle& operator=(const TPngHandle&) = delete;

    png_structp Png() const { return stream_.Png; }
    png_infop Info() const { return stream_.Info; }
    TPngStream& Stream() { return stream_; }

    // Runs step under libpng's error guard; an error raises EInvalidGraphic
    // "PNG: <libpng's message>".
    void Run(TPngStep step, void* argument = nullptr);

private:
    TKind kind_;
    TPngStream stream_;
};

} // namespace pictor
