#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TempDir.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

// Names lead where the kernel takes them: ".." after a linked folder goes up
// from the folder the link leads to, a link to a file is the file's folder,
// and a part not there yet is kept as written.
TEST(Paths, NamesAreResolvedAsTheKernelResolvesThem)
{
    TempDir dir;
    const std::string t = fs::canonical(dir.Path()).string() + "/";
    fs::create_directories(t + "deep/sub");
    fs::create_directories(t + "desk");
    WriteFileBytes(t + "deep/demo.xch", "");
    fs::create_directory_symlink("deep/sub", t + "L");
    fs::create_symlink("../deep/demo.xch", t + "desk/cur.xch");
    const struct {
        char Kind; // 'P' ResolvePath (real and rest), 'R' RelativePath from From, 'F' RealFolderOf
        const char* From;
        const char* Path;
        std::string Expected;
    } cases[] = {
        {'P', "", "L/../demo.xch", t + "deep/demo.xch|"},
        {'P', "", "L/missing/../x.igc", t + "deep/sub|missing/../x.igc"},
        {'R', "L", "deep/demo.xch", "../demo.xch"},
        {'R', "desk", "L/logs/x.igc", "../deep/sub/logs/x.igc"},
        {'R', "deep", "L/x.igc", "sub/x.igc"},
        {'F', "", "desk/cur.xch", t + "deep/"},
        {'F', "", "L/../new.xch", t + "deep/"},
        {'F', "", "L/new/x.xch", t + "deep/sub/new/"},
    };
    for (const auto& c : cases) {
        const std::string path = t + c.Path;
        std::string got;
        if (c.Kind == 'P') {
            const TResolvedPath resolved = ResolvePath(path);
            got = resolved.Real + "|" + resolved.Rest;
        } else {
            got = c.Kind == 'R' ? RelativePath(t + c.From, path) : RealFolderOf(path);
        }
        EXPECT_EQ(got, c.Expected) << c.Kind << ' ' << c.From << ' ' << c.Path;
    }
}
