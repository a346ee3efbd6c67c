// The graphic classes that TPicture loads by file extension: one explicit
// table, so that every class is linked in (classes registering themselves
// from static initialisers get dropped from static libraries).
//
// A new format adds one line here: its extension in lower case, without the
// dot, and the class that reads it.
#include "gfx/Bitmap.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"

#include <algorithm>
#include <cctype>

namespace pictor {

namespace {

struct TGraphicFormat {
    const char* Extension;
    std::unique_ptr<TGraphic> (*Create)();
};

template <class T>
std::unique_ptr<TGraphic> Make()
{
    return std::make_unique<T>();
}

constexpr TGraphicFormat kFormats[] = {
    {"bmp", Make<TBitmap>},
    {"jpg", Make<TJPEGImage>},
    {"jpeg", Make<TJPEGImage>},
    {"ico", Make<TIcon>},
    {"emf", Make<TMetafile>},
    {"wmf", Make<TMetafile>},
    {"gif", Make<TGIFImage>},
};

} // namespace

std::unique_ptr<TGraphic> TPicture::CreateForExtension(const std::string& extension)
{
    std::string lower = extension;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const TGraphicFormat& f : kFormats)
        if (lower == f.Extension) return f.Create();
    return nullptr;
}

} // namespace pictor
