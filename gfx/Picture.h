// TPicture: holds one graphic or none. Assigning stores a copy; loading picks
// the graphic class by the file's extension from a table of registered
// classes (gfx/PictureFormats.cpp).
#pragma once

#include "gfx/Graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pictor {

class TBitmap;

class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The held graphic, or nullptr.
    TGraphic* Graphic() const { return graphic_.get(); }
    // Stores a copy of graphic (nullptr: holds nothing), frees the previous
    // one and fires OnChange. If copying raises, nothing changes.
    void SetGraphic(const TGraphic* graphic);
    // Takes the graphic itself instead of a copy; fires OnChange.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    void Assign(const TPicture& other) { SetGraphic(other.Graphic()); }

    // The held bitmap; when the graphic is not a TBitmap it is first replaced
    // by a new empty bitmap.
    TBitmap& Bitmap();

    int Width() const;
    int Height() const;

    // Loads by extension (compared without regard to case). An unregistered
    // extension raises EInvalidGraphic "拡張子 .%s の画像形式は処理できません"
    // (the extension without its dot). A failed read keeps the previous
    // graphic. Fires OnChange on success.
    void LoadFromFile(const std::string& fileName);
    // Saves the held graphic in its own format; nothing when empty.
    void SaveToFile(const std::string& fileName) const;

    // A new, empty graphic of the class registered for the extension ("bmp",
    // "jpg", ...; without dot, any case), or nullptr.
    static std::unique_ptr<TGraphic> CreateForExtension(const std::string& extension);
    // Every registered extension, lower case, without dot, in table order.
    static std::vector<std::string> Extensions();
    // Whether saving under the extension (without dot, any case) writes a
    // file; ".ico" writes only an icon picture.
    static bool Writes(const std::string& extension);
    // The extensions saving writes, as the messages name them:
    // ".bmp, .jpg, ..." in the order of the format table.
    static std::string WritableExtensionList();
    // The extension after the last dot of the file part of fileName, without
    // the dot ("" when there is none).
    static std::string ExtensionOf(const std::string& fileName);

    // Fired after every change of the held graphic (and of its content).
    std::function<void()> OnChange;

private:
    void Changed();
    void Attach(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> graphic_;
};

} // namespace pictor
