#include "core/Exception.h"
#include "core/FileIO.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>
#include <vector>

using namespace pictor;
using pictor::testing::TempDir;

TEST(AtomicWrite, ReplacesContentAndLeavesNoTemporaryFile)
{
    TempDir dir;
    dir.Write("a.txt", "old content that is longer");
    WriteFileAtomically(dir.File("a.txt"), std::vector<std::uint8_t>{'n', 'e', 'w'});
    EXPECT_EQ(dir.Read("a.txt"), "new");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.txt"});
}

TEST(AtomicWrite, FailureMidwayKeepsTheOldFileWhole)
{
    TempDir dir;
    dir.Write("a.txt", "precious");
    std::vector<std::uint8_t> big(3 << 20, 'x');
    for (std::uint64_t after : {0ull, 1ull, 1ull << 20, (3ull << 20) - 1}) {
        SetWriteFaultAfterBytes(after);
        EXPECT_THROW(WriteFileAtomically(dir.File("a.txt"), big), EFCreateError) << after;
        SetWriteFaultAfterBytes(std::nullopt);
        EXPECT_EQ(dir.Read("a.txt"), "precious");
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.txt"});
    }
}

TEST(AtomicWrite, KeepsPermissionsAndFollowsSymlinks)
{
    TempDir dir;
    dir.Write("real.txt", "old");
    ::chmod(dir.File("real.txt").c_str(), 0640);
    ::symlink("real.txt", dir.File("link.txt").c_str());
    WriteFileAtomically(dir.File("link.txt"), std::vector<std::uint8_t>{'n'});
    EXPECT_EQ(dir.Read("real.txt"), "n");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(dir.File("real.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// New files take the umask's mode, also while other threads write: the
// umask itself is never touched, so no thread can catch it cleared.
TEST(AtomicWrite, NewFilesFollowTheUmaskWhileThreadsWrite)
{
    TempDir dir;
    const mode_t saved = ::umask(027);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&dir, t] {
            for (int i = 0; i < 100; ++i)
                WriteFileAtomically(dir.File(std::to_string(t) + "-" + std::to_string(i)),
                                    std::vector<std::uint8_t>{1});
        });
    for (std::thread& writer : writers)
        writer.join();
    const mode_t during = ::umask(saved);
    EXPECT_EQ(during, 027u);
    const std::vector<std::string> names = dir.Entries();
    ASSERT_EQ(names.size(), 400u);
    for (const std::string& name : names) {
        struct stat st {};
        ASSERT_EQ(::stat(dir.File(name).c_str(), &st), 0);
        ASSERT_EQ(st.st_mode & 0777, 0640u) << name;
    }
}

TEST(AtomicWrite, UnwritableFolderRaisesCreateErrorNamingTheFile)
{
    TempDir dir;
    const std::string target = dir.Path() + "/missing-folder/a.txt";
    try {
        WriteFileAtomically(target, std::vector<std::uint8_t>{1});
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find("ファイル " + target + " を作成できません"), std::string::npos)
            << e.what();
    }
}

// The rename is what refuses a folder: its failure must be reported, and
// the folder, its content and its neighbours stay as they were.
TEST(AtomicWrite, FolderAtTheNameRaisesCreateErrorAndChangesNothing)
{
    TempDir dir;
    dir.Write("neighbour.txt", "n");
    for (const bool empty : {true, false}) {
        ::mkdir(dir.File("target").c_str(), 0755);
        if (!empty) dir.Write("target/inside.txt", "i");
        try {
            WriteFileAtomically(dir.File("target"), std::vector<std::uint8_t>{1, 2, 3});
            FAIL() << "no exception";
        } catch (const EFCreateError& e) {
            EXPECT_NE(std::string(e.what()).find("ファイル " + dir.File("target") + " を作成できません"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"neighbour.txt", "target"}));
        EXPECT_TRUE(std::filesystem::is_directory(dir.File("target")));
        EXPECT_EQ(dir.Read("target/inside.txt"), empty ? "" : "i");
    }
}

TEST(ReadWholeFile, ReadsBytesAndRejectsWhatItCannotRead)
{
    TempDir dir;
    dir.Write("b.bin", std::string("a\0b", 3));
    EXPECT_EQ(ReadWholeFile(dir.File("b.bin")).size(), 3u);
    EXPECT_THROW(ReadWholeFile(dir.File("none")), EFOpenError);
    EXPECT_THROW(ReadWholeFile(dir.Path()), EFOpenError);
    EXPECT_THROW(ReadWholeFile(dir.File("b.bin"), 2), EFOpenError);
}

TEST(Exceptions, MessagesAreTheProgramsOwn)
{
    EXPECT_STREQ(EInvalidGraphic().what(), "画像フォーマットが不正です");
    EXPECT_STREQ(EConvertError::NotAnInteger("x1").what(), "'x1' は整数ではありません");
    EXPECT_STREQ(EListError::IndexOutOfBounds(-3).what(), "リストのインデックスが範囲を超えています (-3)");
    EXPECT_STREQ(EFOpenError("/a/b").what(), "ファイル /a/b は開けません");
    try {
        PICTOR_ASSERT(1 + 1 == 3);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Assertion failure (FileIOTest.cpp, line ", 0), 0u) << e.what();
    }
}
