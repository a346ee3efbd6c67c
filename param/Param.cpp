#include "param/Param.h"

#include "core/FileIO.h"
#include "core/Text.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictor {

namespace {

void CheckIndex(int index, int limit)
{
    if (index < 0 || index > limit) throw EListError::IndexOutOfBounds(index);
}

// Creates the folder and any missing parents, private to the user as
// configuration folders should be. A failure is left to the write that
// follows, which reports it with the file's name.
void CreateConfigFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        if (slash == std::string::npos) return;
    }
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
}

} // namespace

int TParameter::GetCount() const
{
    return static_cast<int>(FList.size());
}

int TParameter::Add(const std::string& line)
{
    FList.push_back(line);
    return static_cast<int>(FList.size()) - 1;
}

void TParameter::Load()
{
    SetExeName(RunningExecutable());
    LoadFile();
}

void TParameter::Clear()
{
    FList.clear();
}

void TParameter::Insert(int index, const std::string& line)
{
    CheckIndex(index, GetCount());
    FList.insert(FList.begin() + index, line);
}

void TParameter::Delete(int index)
{
    CheckIndex(index, GetCount() - 1);
    FList.erase(FList.begin() + index);
}

const std::string& TParameter::Line(int index) const
{
    CheckIndex(index, GetCount() - 1);
    return FList[static_cast<std::size_t>(index)];
}

void TParameter::LoadFile()
{
    const std::string name = GetFullName();
    if (name.empty() || !PathExists(name)) return;
    const std::vector<std::uint8_t> bytes = ReadWholeFile(name, kMaxFileBytes);

    // Lines end at CR, LF or CR LF; a byte 0 ends the text.
    std::vector<std::string> lines;
    std::string current;
    bool pending = false; // characters (or an empty line) not yet stored
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\0') break;
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending) lines.push_back(current);
    FList = std::move(lines);
}

void TParameter::Save()
{
    const std::string name = GetFullName();
    if (name.empty()) return;
    if (FDir == UserConfigFolder()) CreateConfigFolders(FDir);
    std::string text;
    for (const std::string& line : FList) {
        text += line;
        text += "\r\n";
    }
    WriteFileAtomically(name, text.data(), text.size());
}

int TParameter::FindName(const std::string& name) const
{
    for (std::size_t i = 0; i < FList.size(); ++i) {
        const std::string& line = FList[i];
        const auto eq = line.find('=');
        if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TParameter::ReadString(const std::string& name) const
{
    std::string value;
    const int index = FindName(name);
    if (index >= 0) {
        const std::string& line = FList[static_cast<std::size_t>(index)];
        value = line.substr(line.find('=') + 1);
    }
    if (value.size() == 1 && value[0] == kEmptyMarker) return std::string();
    if (value.empty()) throw EValueName("Name '" + name + "' is not found in parameters.");
    return value;
}

int TParameter::ReadInteger(const std::string& name) const
{
    return StrToInt(ReadString(name));
}

void TParameter::WriteString(const std::string& name, const std::string& value)
{
    const std::string line = name + "=" + (value.empty() ? std::string(1, kEmptyMarker) : value);
    const int index = FindName(name);
    if (index >= 0)
        FList[static_cast<std::size_t>(index)] = line;
    else
        FList.push_back(line);
}

void TParameter::WriteInteger(const std::string& name, int value)
{
    WriteString(name, std::to_string(value));
}

void TParameter::SetDir(const std::string& value)
{
    FDir = (!value.empty() || FExeName.empty()) ? value : SettingsFolder(FExeName);
}

void TParameter::SetFileName(const std::string& value)
{
    FFileName = (!value.empty() || FExeName.empty()) ? value : SettingsFileName();
}

std::string TParameter::GetFullName() const
{
    if (FDir.empty() || FFileName.empty()) return std::string();
    return FDir.back() == '/' ? FDir + FFileName : FDir + "/" + FFileName;
}

void TParameter::SetExeName(const std::string& value)
{
    FExeName = value;
    if (FExeName.empty()) return;
    if (FDir.empty()) FDir = SettingsFolder(FExeName);
    if (FFileName.empty()) FFileName = SettingsFileName();
}

std::string TParameter::SettingsFileName() const
{
    return WithoutExtension(FileNamePart(FExeName)) + ".ini";
}

std::string TParameter::FolderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0 || path[slash - 1] == '/') return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string TParameter::FileNamePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TParameter::WithoutExtension(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

std::string TParameter::RunningExecutable()
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0) return std::string();
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

std::string TParameter::SettingsFolder(const std::string& exeName)
{
    const std::string folder = FolderPart(exeName);
    if (!folder.empty() && FileNamePart(folder) != "bin" && ::access(folder.c_str(), W_OK | X_OK) == 0)
        return folder;
    const std::string config = UserConfigFolder();
    return config.empty() ? folder : config;
}

std::string TParameter::UserConfigFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/pictor";
    const std::string home = HomeFolder();
    return home.empty() ? home : home + "/.config/pictor";
}

int TParameter::StrToInt(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    }
    if (i >= text.size()) throw EConvertError::NotAnInteger(text);

    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            throw EConvertError::NotAnInteger(text);
        value = value * base + digit;
        if (value > limit) throw EConvertError::NotAnInteger(text);
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace pictor
