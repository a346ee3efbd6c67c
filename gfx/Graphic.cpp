#include "gfx/Graphic.h"

#include "core/Exception.h"
#include "core/FileIO.h"

namespace pictor {

void TGraphic::Assign(const TGraphic& source)
{
    if (&source == this) return;
    if (!source.AssignTo(*this))
        throw EConvertError(std::string("Cannot assign a ") + source.ClassName() + " to a " + ClassName());
}

bool TGraphic::AssignTo(TGraphic&) const
{
    return false;
}

void TGraphic::LoadFromFile(const std::string& fileName)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(fileName);
    LoadFromBytes(bytes);
}

void TGraphic::SaveToFile(const std::string& fileName) const
{
    WriteFileAtomically(fileName, SaveToBytes());
}

void TGraphic::Changed()
{
    if (OnChange) OnChange(*this);
}

} // namespace pictor
