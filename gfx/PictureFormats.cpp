// The graphic classes that TPicture loads by file extension: one explicit
// table, so that every class is linked in (classes registering themselves
// from static initialisers get dropped from static libraries).
//
// A new format adds one line here: its extension in lower case, without the
// dot, the class that reads it, and false when Pictor only reads it. The
// save command, pictor-cli and their messages take the extensions written
// from here.
#include "core/Text.h"
#include "gfx/Bitmap.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/JPEGImage.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"
#include "gfx/PngImage.h"

namespace pictor {

namespace {

struct TGraphicFormat {
    const char* Extension;
    std::unique_ptr<TGraphic> (*Create)();
    bool Writes = true; // saving under the extension writes a file
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
    {"png", Make<TPngImage>},
    {"gif", Make<TGIFImage>},
};

const TGraphicFormat* FormatOf(const std::string& extension)
{
    const std::string lower = AsciiLower(extension);
    for (const TGraphicFormat& f : kFormats)
        if (lower == f.Extension) return &f;
    return nullptr;
}

} // namespace

std::unique_ptr<TGraphic> TPicture::CreateForExtension(const std::string& extension)
{
    const TGraphicFormat* format = FormatOf(extension);
    return format ? format->Create() : nullptr;
}

std::vector<std::string> TPicture::Extensions()
{
    std::vector<std::string> extensions;
    for (const TGraphicFormat& f : kFormats) extensions.emplace_back(f.Extension);
    return extensions;
}

bool TPicture::Writes(const std::string& extension)
{
    const TGraphicFormat* format = FormatOf(extension);
    return format && format->Writes;
}

std::string TPicture::WritableExtensionList()
{
    std::string list;
    for (const TGraphicFormat& f : kFormats) {
        if (!f.Writes) continue;
        if (!list.empty()) list += ", ";
        list += '.';
        list += f.Extension;
    }
    return list;
}

} // namespace pictor
