#include <gtest/gtest.h>

#include <filesystem>

#include "common/TempDir.h"
#include "platform/Files.h"

// ".." after a linked folder goes up from where the link leads, a link to a
// file is the file's folder, and a part not there yet is kept as written.
TEST(Paths, NamesAreResolvedAsTheKernelResolvesThem)
{
    TempDir dir;
    const std::string t = std::filesystem::canonical(dir.Path()).string() + "/";
    std::filesystem::create_directories(t + "deep/sub");
    std::filesystem::create_directory_symlink("deep/sub", t + "L");
    std::filesystem::create_symlink("deep/demo.xch", t + "cur.xch");
    const struct { char Kind; const char *From, *Path; std::string Expected; } cases[] = {
        {'P', "", "L/../demo.xch", t + "deep|demo.xch"}, {'P', "", "L/new/../x", t + "deep/sub|new/../x"},
        {'R', "L", "deep/demo.xch", "../demo.xch"},      {'R', "deep", "L/x.igc", "sub/x.igc"},
        {'F', "", "cur.xch", t + "deep/"},               {'F', "", "L/../new.xch", t + "deep/"},
        {'F', "", "L/new/x.xch", t + "deep/sub/new/"},
    };
    for (const auto& c : cases) {
        const TResolvedPath resolved = ResolvePath(t + c.Path);
        EXPECT_EQ(c.Kind == 'P'   ? resolved.Real + "|" + resolved.Rest
                  : c.Kind == 'R' ? RelativePath(t + c.From, t + c.Path)
                                  : RealFolderOf(t + c.Path),
                  c.Expected)
            << c.Kind << ' ' << c.Path;
    }
}
