#include "core/FilePath.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

struct TPathCase {
    const char* Path;
    const char* Folder;
    const char* Name;
    const char* Stem; // the path without its extension
    const char* Extension;
};

TEST(FilePath, SplitsAtTheLastSlashAndTheNamesLastDot)
{
    const TPathCase cases[] = {
        {"/a/b/c.txt", "/a/b", "c.txt", "/a/b/c", "txt"},
        {"/c.txt", "/", "c.txt", "/c", "txt"},
        {"c.txt", "", "c.txt", "c", "txt"},
        {"//c.txt", "//", "c.txt", "//c", "txt"},
        {"c", "", "c", "c", ""},
        {"/a.d/pictor", "/a.d", "pictor", "/a.d/pictor", ""},
        {"pictor.tar.gz", "", "pictor.tar.gz", "pictor.tar", "gz"},
        {"/x/y/a.b.JPG", "/x/y", "a.b.JPG", "/x/y/a.b", "JPG"},
        {"file.", "", "file.", "file", ""},
    };
    for (const TPathCase& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(FolderPart(c.Path), c.Folder);
        EXPECT_EQ(FileNamePart(c.Path), c.Name);
        EXPECT_EQ(WithoutExtension(c.Path), c.Stem);
        EXPECT_EQ(ExtensionOf(c.Path), c.Extension);
    }
}

} // namespace
} // namespace pictor
