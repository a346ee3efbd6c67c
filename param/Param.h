// TParameter: an ordered list of text lines, those of the form Name=Value
// reachable by name, loaded from and saved to a settings file named after the
// executable with the extension ".ini". The file is kept beside the executable
// when the program may write there (a program unpacked or built in a folder of
// its own); an installed program keeps it in the user's configuration folder
// (see SettingsFolder).
#pragma once

#include "core/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pictor {

// Raised by ReadString for a name that is missing (or has nothing after "=").
class EValueName : public Exception {
public:
    using Exception::Exception;
};

class TParameter {
public:
    // The character that stands for an empty value in the file (code 26).
    static constexpr char kEmptyMarker = '\x1a';
    // Largest settings file read (bytes); ours hold a dozen short lines.
    static constexpr std::uint64_t kMaxFileBytes = 1 << 20;

    TParameter() = default;
    virtual ~TParameter() = default;
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    // Number of lines held, lines without "=" included.
    virtual int GetCount() const;
    int Count() const { return GetCount(); }

    // Appends one raw line; returns its index.
    virtual int Add(const std::string& line);
    // Sets ExeName from the running executable, then LoadFile.
    virtual void Load();
    virtual void Clear();
    // Inserts before position index (0..Count); EListError otherwise.
    virtual void Insert(int index, const std::string& line);
    // Removes line index (0..Count-1); EListError otherwise.
    virtual void Delete(int index);
    // Replaces the lines with those of FullName when that file exists.
    // A file larger than kMaxFileBytes raises EFOpenError and changes nothing.
    virtual void LoadFile();
    // Writes every line, each ending in CR LF, to FullName (atomically). The
    // user's configuration folder is created first when it is Dir.
    virtual void Save();

    std::string ReadString(const std::string& name) const;
    int ReadInteger(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);

    const std::string& GetDir() const { return FDir; }
    void SetDir(const std::string& value);
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& value);
    std::string GetFullName() const;
    const std::string& GetExeName() const { return FExeName; }
    void SetExeName(const std::string& value);

    // The line at index (0..Count-1); EListError otherwise.
    const std::string& Line(int index) const;
    const std::vector<std::string>& Lines() const { return FList; }

    // Path helpers, "/" being the only delimiter.
    // Folder part: up to the last "/", which is dropped unless it is the root's
    // (or follows another "/"); empty without any "/".
    static std::string FolderPart(const std::string& path);
    // Text after the last "/".
    static std::string FileNamePart(const std::string& path);
    // Path without the extension: up to the last "." after the last "/".
    static std::string WithoutExtension(const std::string& path);
    // Full path of the running executable.
    static std::string RunningExecutable();
    // The folder of the settings file for the program exeName: the program's
    // own folder when that may be written and is not a programs folder (one
    // named "bin", where every install puts programs), else
    // UserConfigFolder(). Also the program's folder when the user has no
    // configuration folder.
    static std::string SettingsFolder(const std::string& exeName);
    // $XDG_CONFIG_HOME/pictor, or ~/.config/pictor when that variable is unset
    // or not an absolute path; empty when the user has no home folder.
    static std::string UserConfigFolder();
    // The string-to-integer conversion of ReadInteger: optional leading
    // blanks, optional sign, decimal digits or "$" and hexadecimal digits,
    // within the 32-bit signed range. EConvertError otherwise.
    static int StrToInt(const std::string& text);

private:
    // Index of the first value line whose name matches, or -1.
    int FindName(const std::string& name) const;
    std::string SettingsFileName() const;

    std::vector<std::string> FList;
    std::string FDir;
    std::string FFileName;
    std::string FExeName;
};

} // namespace pictor
