#include "core/FilePath.h"

namespace pictor {
namespace {

// Where the name's extension starts (its "."), or npos.
std::size_t ExtensionDot(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
    return dot;
}

} // namespace

std::string FolderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0 || path[slash - 1] == '/') return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string FileNamePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& path)
{
    const auto dot = ExtensionDot(path);
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string ExtensionOf(const std::string& path)
{
    const auto dot = ExtensionDot(path);
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

} // namespace pictor
