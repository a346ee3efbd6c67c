// The settings file: reading it, then looking up and rewriting the keys the
// windows use. (Writing it back goes through the atomic writer, whose flush
// to disk would slow each run down a hundredfold; its tests cover it.)
#include "fuzz/FuzzTarget.h"

#include "param/Param.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace pictor;

namespace {

// One private folder per process, removed at exit. Kept in a plain array:
// a std::string would be destroyed before the exit handler runs.
char g_folder[] = "/tmp/pictor-settings-XXXXXX";
char g_file[sizeof g_folder + 16];

void RemoveFolder()
{
    std::remove(g_file);
    rmdir(g_folder);
}

const char* Folder()
{
    static const bool made = [] {
        if (!mkdtemp(g_folder)) std::abort();
        std::snprintf(g_file, sizeof g_file, "%s/pictor.ini", g_folder);
        std::atexit(RemoveFolder);
        return true;
    }();
    (void)made;
    return g_folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TParameter parameter;
    parameter.SetDir(Folder());
    parameter.SetFileName("pictor.ini");
    std::FILE* file = std::fopen(parameter.GetFullName().c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    parameter.LoadFile();
    for (const char* name : {"Left", "Top", "Width", "Height", "State", "OpenDir", "SaveDir", ""}) {
        try {
            (void)parameter.ReadInteger(name);
        } catch (const Exception&) {
        }
        try {
            parameter.WriteString(name, parameter.ReadString(name) + "1");
        } catch (const Exception&) {
        }
    }
    if (parameter.Count() < 0) std::abort();
    return 0;
}
