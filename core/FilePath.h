// Splitting file paths into folder, name and extension; "/" is the only
// delimiter. Nothing here touches the file system.
#pragma once

#include <string>

namespace pictor {

// Up to the last "/", which is dropped unless it is the root's (or follows
// another "/"); empty without any "/".
std::string FolderPart(const std::string& path);

// The text after the last "/" (all of path without one).
std::string FileNamePart(const std::string& path);

// The path without its extension: up to the last "." after the last "/".
std::string WithoutExtension(const std::string& path);

// The text after the last "." of the name, as written ("" without one).
std::string ExtensionOf(const std::string& path);

} // namespace pictor
