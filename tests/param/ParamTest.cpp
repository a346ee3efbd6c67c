#include "param/Param.h"

#include "core/FileIO.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

using namespace pictor;
using pictor::testing::TempDir;

namespace {

// A store whose file lives in a temporary folder.
struct StoreInDir {
    TempDir dir;
    TParameter store;
    StoreInDir()
    {
        store.SetDir(dir.Path());
        store.SetFileName("Pictor.ini");
    }
    std::string FileText() const { return dir.Read("Pictor.ini"); }
    void SetFileText(const std::string& text) const { dir.Write("Pictor.ini", text); }
};

} // namespace

TEST(ParamValues, EmptyValueIsMarkedAndSurvivesSaveAndLoad)
{
    StoreInDir s;
    s.store.WriteString("OpenDir", "");
    EXPECT_EQ(s.store.Line(0), std::string("OpenDir=\x1a"));
    EXPECT_EQ(s.store.ReadString("OpenDir"), "");
    s.store.Save();
    EXPECT_EQ(s.FileText(), "OpenDir=\x1a\r\n");

    TParameter again;
    again.SetDir(s.dir.Path());
    again.SetFileName("Pictor.ini");
    again.LoadFile();
    EXPECT_EQ(again.ReadString("OpenDir"), "");
    EXPECT_THROW(again.ReadInteger("OpenDir"), EConvertError);
}

TEST(ParamValues, MissingNameAndNothingAfterEqualsRaiseValueName)
{
    TParameter p;
    p.Add("Left=");
    p.Add("comment line without equals");
    for (const char* name : {"Left", "Top", "comment line without equals"}) {
        try {
            (void)p.ReadString(name);
            FAIL() << name;
        } catch (const EValueName& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Name '") + name + "' is not found in parameters.");
        }
    }
    EXPECT_EQ(p.Count(), 2);
}

TEST(ParamValues, LookupIsCaseInsensitiveAndWriteKeepsPositionWithWritersCase)
{
    TParameter p;
    p.Add("header");
    p.Add("left=5");
    p.Add("Top=1");
    p.Add("Top=2");
    EXPECT_EQ(p.ReadInteger("Left"), 5);
    EXPECT_EQ(p.ReadInteger("TOP"), 1);
    p.WriteInteger("Left", 7);
    p.WriteInteger("top", -3);
    EXPECT_EQ(p.Lines(), (std::vector<std::string>{"header", "Left=7", "top=-3", "Top=2"}));
    p.WriteString("New", "x");
    EXPECT_EQ(p.Line(4), "New=x");
}

TEST(ParamValues, ValueMayContainEquals)
{
    TParameter p;
    p.Add("OpenDir=/a=b=c");
    EXPECT_EQ(p.ReadString("OpenDir"), "/a=b=c");
    p.Add("=orphan");
    EXPECT_EQ(p.ReadString(""), "orphan");
}

TEST(ParamIntegers, AcceptsWhatTheConversionAccepts)
{
    EXPECT_EQ(TParameter::StrToInt("42"), 42);
    EXPECT_EQ(TParameter::StrToInt("   -17"), -17);
    EXPECT_EQ(TParameter::StrToInt("+8"), 8);
    EXPECT_EQ(TParameter::StrToInt("$1F"), 31);
    EXPECT_EQ(TParameter::StrToInt("-$10"), -16);
    EXPECT_EQ(TParameter::StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(TParameter::StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(TParameter::StrToInt("$7FFFFFFF"), 2147483647);
}

TEST(ParamIntegers, RejectsEverythingElseWithTheConversionMessage)
{
    for (const char* text : {"", " ", "-", "$", "12a", "1 ", "0x10", "1.5", "2147483648", "-2147483649",
                             "$80000000", "99999999999999999999", "\t5"}) {
        try {
            TParameter::StrToInt(text);
            FAIL() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' は整数ではありません");
        }
    }
}

TEST(ParamList, InsertDeleteAndIndexErrors)
{
    TParameter p;
    p.Add("b");
    p.Insert(0, "a");
    p.Insert(2, "c");
    EXPECT_EQ(p.Lines(), (std::vector<std::string>{"a", "b", "c"}));
    p.Delete(1);
    EXPECT_EQ(p.Lines(), (std::vector<std::string>{"a", "c"}));
    try {
        p.Insert(3, "x");
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (3)");
    }
    EXPECT_THROW(p.Delete(2), EListError);
    EXPECT_THROW(p.Delete(-1), EListError);
    p.Clear();
    EXPECT_EQ(p.Count(), 0);
}

TEST(ParamFile, ReadsAnyLineEndingAndStopsAtByteZero)
{
    StoreInDir s;
    s.SetFileText(std::string("head\r\nA=1\nB=2\rC=3\r\n\r\nD=4"));
    s.store.LoadFile();
    EXPECT_EQ(s.store.Lines(), (std::vector<std::string>{"head", "A=1", "B=2", "C=3", "", "D=4"}));
    s.store.Save();
    EXPECT_EQ(s.FileText(), "head\r\nA=1\r\nB=2\r\nC=3\r\n\r\nD=4\r\n");

    s.SetFileText(std::string("X=1\nY=2\0Z=3\n", 12));
    s.store.LoadFile();
    EXPECT_EQ(s.store.Lines(), (std::vector<std::string>{"X=1", "Y=2"}));
}

TEST(ParamFile, LoadReplacesLinesAndMissingFileLeavesThem)
{
    StoreInDir s;
    s.store.Add("kept");
    s.store.LoadFile();
    EXPECT_EQ(s.store.Lines(), std::vector<std::string>{"kept"});
    s.SetFileText("");
    s.store.LoadFile();
    EXPECT_EQ(s.store.Count(), 0);
}

TEST(ParamFile, UnreadableFileRaisesOpenErrorAndKeepsLines)
{
    if (pictor::testing::RunningAsRoot()) GTEST_SKIP() << "root reads every file";
    StoreInDir s;
    s.SetFileText("A=1\r\n");
    ::chmod(s.dir.File("Pictor.ini").c_str(), 0);
    s.store.Add("kept");
    try {
        s.store.LoadFile();
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("ファイル " + s.dir.File("Pictor.ini") + " は開けません"),
                  std::string::npos);
    }
    EXPECT_EQ(s.store.Lines(), std::vector<std::string>{"kept"});
}

TEST(ParamFile, AnOversizedFileRaisesOpenErrorAndKeepsTheLines)
{
    StoreInDir s;
    s.store.Add("Left=1");
    s.SetFileText("Top=2\r\n" + std::string(TParameter::kMaxFileBytes, 'x'));
    EXPECT_THROW(s.store.LoadFile(), EFOpenError);
    EXPECT_EQ(s.store.Lines(), std::vector<std::string>{"Left=1"});

    s.SetFileText("Top=2\r\n" + std::string(TParameter::kMaxFileBytes - 7, 'x'));
    s.store.LoadFile();
    EXPECT_EQ(s.store.ReadInteger("Top"), 2);
}

TEST(ParamFile, FolderInPlaceOfTheFileRaisesOpenError)
{
    StoreInDir s;
    ::mkdir(s.dir.File("Pictor.ini").c_str(), 0755);
    EXPECT_THROW(s.store.LoadFile(), EFOpenError);
}

TEST(ParamFile, FailedSaveRaisesCreateErrorAndKeepsTheOldFile)
{
    StoreInDir s;
    s.SetFileText("Old=1\r\n");
    s.store.WriteInteger("Left", 100);
    s.store.WriteString("OpenDir", std::string(100000, 'd'));
    for (std::uint64_t after : {0ull, 5ull, 50000ull}) {
        SetWriteFaultAfterBytes(after);
        EXPECT_THROW(s.store.Save(), EFCreateError);
        SetWriteFaultAfterBytes(std::nullopt);
        EXPECT_EQ(s.FileText(), "Old=1\r\n");
        EXPECT_EQ(s.dir.Entries(), std::vector<std::string>{"Pictor.ini"});
    }
    s.store.Save();
    EXPECT_EQ(s.FileText().substr(0, 10), "Left=100\r\n");
}

TEST(ParamFile, SaveIntoMissingFolderRaisesCreateError)
{
    TempDir dir;
    TParameter p;
    p.SetDir(dir.Path() + "/gone");
    p.SetFileName("Pictor.ini");
    p.Add("x");
    try {
        p.Save();
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(p.GetFullName() + " を作成できません"), std::string::npos);
    }
}

TEST(ParamFile, EmptyFullNameMakesSaveAndLoadDoNothing)
{
    TParameter p;
    p.SetFileName("Pictor.ini");
    EXPECT_EQ(p.GetFullName(), "");
    p.Add("x");
    p.Save();
    p.LoadFile();
    EXPECT_EQ(p.Count(), 1);
}

TEST(ParamNames, FullNameJoinsFolderAndFile)
{
    TParameter p;
    p.SetDir("/");
    p.SetFileName("Pictor.ini");
    EXPECT_EQ(p.GetFullName(), "/Pictor.ini");
    p.SetDir("/opt/tools");
    EXPECT_EQ(p.GetFullName(), "/opt/tools/Pictor.ini");
    p.SetDir("/opt/tools/");
    EXPECT_EQ(p.GetFullName(), "/opt/tools/Pictor.ini");
    p.SetDir("");
    EXPECT_EQ(p.GetFullName(), "");
}

TEST(ParamNames, ExeNameDerivesWhatIsEmptyAndEmptyAssignmentsResetToIt)
{
    TempDir dir;
    TParameter p;
    p.SetFileName("custom.ini");
    p.SetExeName(dir.File("pictor.bin"));
    EXPECT_EQ(p.GetDir(), dir.Path());
    EXPECT_EQ(p.GetFileName(), "custom.ini");
    p.SetFileName("");
    EXPECT_EQ(p.GetFileName(), "pictor.ini");
    p.SetDir("/elsewhere");
    p.SetDir("");
    EXPECT_EQ(p.GetDir(), dir.Path());
}

// Sets an environment variable for one scope (unset when value is null).
class TScopedEnv {
public:
    TScopedEnv(const char* name, const char* value) : FName(name)
    {
        if (const char* old = std::getenv(name)) FOld = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~TScopedEnv() { FOld ? ::setenv(FName, FOld->c_str(), 1) : ::unsetenv(FName); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    const char* FName;
    std::optional<std::string> FOld;
};

// What body returns, computed by an ordinary user: as root, in a child
// process that has become the user nobody, since root may write anywhere.
std::string AsOrdinaryUser(const std::function<std::string()>& body)
{
    if (!pictor::testing::RunningAsRoot()) return body();
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const std::string out = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? body() : "still root";
        (void)!::write(pipeFds[1], out.data(), out.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return out;
}

// The settings stay beside a program in a folder of its own that may be
// written; an installed program (in a "bin" folder) or one in a folder it
// cannot write keeps them in the user's configuration folder, created on the
// first save.
TEST(ParamFolder, InstalledOrReadOnlyProgramsKeepTheirSettingsInTheUsersConfigFolder)
{
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    for (const char* folder : {"portable", "read-only", "usr/bin"}) {
        std::filesystem::create_directories(dir.File(folder));
        ::chmod(dir.File(folder).c_str(), 0777);
    }
    ::chmod(dir.File("read-only").c_str(), 0555);
    const std::string home = dir.File("home"), config = dir.File("config");

    TScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
    TScopedEnv homeVar("HOME", home.c_str());
    EXPECT_EQ(TParameter::UserConfigFolder(), config + "/pictor");
    EXPECT_EQ(AsOrdinaryUser([&] { return TParameter::SettingsFolder(dir.File("portable/pictor")); }),
              dir.File("portable"));
    EXPECT_EQ(AsOrdinaryUser([&] { return TParameter::SettingsFolder(dir.File("read-only/pictor")); }),
              config + "/pictor");

    TParameter p;
    p.SetExeName(dir.File("usr/bin/pictor"));
    EXPECT_EQ(p.GetFullName(), config + "/pictor/pictor.ini");
    p.WriteInteger("Left", 5);
    p.Save();
    TParameter again;
    again.SetExeName(dir.File("usr/bin/pictor"));
    again.LoadFile();
    EXPECT_EQ(again.ReadInteger("Left"), 5);
    struct stat st {};
    ASSERT_EQ(::stat(config.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/config"}) {
        TScopedEnv other("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(TParameter::UserConfigFolder(), home + "/.config/pictor");
    }
}

TEST(ParamNames, PathParts)
{
    EXPECT_EQ(TParameter::FolderPart("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(TParameter::FolderPart("/c.txt"), "/");
    EXPECT_EQ(TParameter::FolderPart("c.txt"), "");
    EXPECT_EQ(TParameter::FolderPart("//c.txt"), "//");
    EXPECT_EQ(TParameter::FileNamePart("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(TParameter::FileNamePart("c"), "c");
    EXPECT_EQ(TParameter::WithoutExtension("/a.d/pictor"), "/a.d/pictor");
    EXPECT_EQ(TParameter::WithoutExtension("pictor.tar.gz"), "pictor.tar");
}

TEST(ParamNames, LoadUsesTheRunningExecutable)
{
    TParameter p;
    p.SetDir(TempDir().Path() + "-never"); // keep the real folder untouched
    p.Load();
    EXPECT_FALSE(p.GetExeName().empty());
    EXPECT_EQ(p.GetFileName(), TParameter::WithoutExtension(TParameter::FileNamePart(p.GetExeName())) + ".ini");
    EXPECT_EQ(p.Count(), 0);
}

TEST(ParamFile, DestroyWithoutSaveLeavesTheFile)
{
    StoreInDir s;
    s.SetFileText("A=1\r\n");
    {
        TParameter p;
        p.SetDir(s.dir.Path());
        p.SetFileName("Pictor.ini");
        p.LoadFile();
        p.WriteInteger("A", 2);
    }
    EXPECT_EQ(s.FileText(), "A=1\r\n");
}
