// What a save does to the files around it: the replaced file's owner, group,
// mode, attributes and links, and the temporaries of a save that was killed.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <grp.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "common/TempDir.h"
#include "platform/Files.h"
#include "xml/Xmlfile.h"

namespace fs = std::filesystem;

TEST(XmlOutputFiles, TheSavedFileKeepsTheOwnerGroupModeAttributesAndLinksOfTheOld)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root gives files to other users";
    TempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string file = dir.File("c.xch");
    fs::create_symlink("c.xch", dir.File("l2.xch"));
    fs::create_symlink("l2.xch", dir.File("l1.xch"));
    // New files in the folder get an entry that the old file may lack.
    if (std::system(("setfacl -d -m u:nobody:r " + dir.Path().string() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no setfacl, or no access control lists on this file system";
    auto attribute = [](const std::string& f, const char* name) {
        std::string value(4096, '\0');
        return value.substr(0, std::max<ssize_t>(::getxattr(f.c_str(), name, value.data(), value.size()), 0));
    };
    // What user `u` of group `g` may do with the file (R_OK | W_OK | X_OK).
    auto rights = [](const std::string& f, uid_t u, gid_t g) {
        int status = 8 << 8;
        if (const pid_t pid = ::fork(); pid == 0) {
            int may = ::setgroups(1, &g) | ::setresgid(g, g, g) | ::setresuid(u, u, u) ? 8 : 0;
            for (const int bit : {R_OK, W_OK, X_OK}) may |= ::access(f.c_str(), bit) == 0 ? bit : 0;
            std::_Exit(may);
        } else ::waitpid(pid, &status, 0);
        return WEXITSTATUS(status);
    };
    // Saved by root, or by user 65534 (own group 65534, a member of group
    // 65533, not of 65532), who may not give a file away: another user's file
    // keeps its owner and group, written through, and its copy (the backup)
    // opens to no one the file was not open to. With entries of the access
    // control list (the group's own bits narrower than its mask), or a second
    // link, which is written through. The backup opens to the file's owner as
    // the file did, and to a third user (65530, of the saver's group) no more,
    // under a mask widened for the owner too.
    struct TCase { const char* Save; uid_t Owner; gid_t Group; mode_t Mode; uid_t Saver; const char* Acl; bool Link; };
    for (const TCase& c : {TCase{"c.xch", 65534, 65534, 0660, 0, "u::rw", false},
                           TCase{"l1.xch", 65534, 65533, 0640, 0, "u:nobody:rw", false},
                           TCase{"l1.xch", 0, 65533, 0664, 65534, "g::rw,g:65534:r", false},
                           TCase{"c.xch", 65533, 65532, 0640, 65534, "u:65534:rw", false},
                           TCase{"c.xch", 65533, 65532, 0700, 65534, "u:65534:rw,u:65530:rwx,m::rw", false},
                           TCase{"c.xch", 0, 65533, 0640, 0, "u:nobody:rw", true}}) {
        SCOPED_TRACE(std::string(c.Save) + " saved by " + std::to_string(c.Saver));
        WriteFileBytes(file, "old");
        fs::remove(dir.File("c.xch.bak"));
        ASSERT_EQ(::chown(file.c_str(), c.Owner, c.Group) | ::chmod(file.c_str(), c.Mode), 0);
        ASSERT_EQ(std::system(("setfacl -b -m " + std::string(c.Acl) + " " + file).c_str()), 0);
        if (::setxattr(file.c_str(), "user.note", "team", 4, 0) != 0) GTEST_SKIP() << "no user attributes here";
        if (c.Link) fs::create_hard_link(file, dir.File("hard.xch"));
        struct stat old {};
        ASSERT_EQ(::stat(file.c_str(), &old), 0);
        const std::string acl = attribute(file, "system.posix_acl_access");
        const int ownerRights = rights(file, c.Owner, 65531), thirdRights = rights(file, 65530, 65534);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Stopped at each system call, with a new file's mode the open call's.
            ::umask(0);
            if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0 || ::raise(SIGSTOP) != 0) std::_Exit(3);
            const gid_t groups[] = {c.Saver, 65533};
            if (::setgroups(2, groups) != 0 || ::setresgid(c.Saver, c.Saver, c.Saver) != 0 ||
                ::setresuid(c.Saver, c.Saver, c.Saver) != 0)
                std::_Exit(2);
            TXmlOutput w(dir.File(c.Save));
            w.WriteHeader();
            std::_Exit(w.Close([](const std::string& target, bool through) {
                return !through || CopyFileAs(target, target + ".bak");
            }) ? 0 : 1);
        }
        // A temporary beside the file (the new text or the copy) opens to no one else when it appears.
        int status = 1;
        std::set<fs::path> seen;
        fs::perms created = fs::perms::none;
        while (::waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
            for (const auto& e : fs::directory_iterator(dir.Path()))
                if (e.path().string().find(".tmp") != std::string::npos && seen.insert(e.path()).second)
                    created |= e.symlink_status().permissions() & (fs::perms::group_all | fs::perms::others_all);
            const int signal = WSTOPSIG(status) == SIGTRAP || WSTOPSIG(status) == SIGSTOP ? 0 : WSTOPSIG(status);
            ::ptrace(PTRACE_SYSCALL, pid, nullptr, signal);
        }
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(!seen.empty() && created == fs::perms::none) << std::oct << int(created);
        struct stat st {};
        ASSERT_EQ(::lstat(file.c_str(), &st), 0);
        EXPECT_EQ(ReadFileBytes(file).substr(0, 5), "<?xml");
        EXPECT_EQ(st.st_uid, c.Owner);
        EXPECT_EQ(st.st_gid, c.Group);
        struct stat copy {};
        EXPECT_EQ(::stat(dir.File("c.xch.bak").c_str(), &copy) == 0, c.Link || c.Saver != 0);
        const std::string kept = dir.File(copy.st_nlink ? "c.xch.bak" : "c.xch");
        EXPECT_EQ(rights(kept, c.Owner, 65531), ownerRights);
        EXPECT_EQ(rights(kept, 65530, 65534) & ~thirdRights, 0);
        EXPECT_EQ(st.st_mode & 07777, old.st_mode & 07777);
        EXPECT_EQ(attribute(file, "system.posix_acl_access"), acl);
        EXPECT_EQ(attribute(file, "user.note"), "team");
        EXPECT_EQ(ReadFileBytes(dir.File(c.Link ? "hard.xch" : "c.xch")), ReadFileBytes(file));
    }
    EXPECT_TRUE(fs::is_symlink(dir.File("l1.xch")) && fs::is_symlink(dir.File("l2.xch")));
}

TEST(XmlOutputFiles, ASaveRemovesItsOwnTemporariesLeftByAProcessThatEnded)
{
    const pid_t ended = ::fork();
    if (ended == 0) std::_Exit(0);
    ::waitpid(ended, nullptr, 0);
    char hostName[256] = {};
    ::gethostname(hostName, sizeof hostName - 1);
    const std::string host = hostName;
    const std::string dead = "." + host + ".tmp" + std::to_string(ended) + "-7";
    const std::string longName = std::string(250, 'n') + ".xch";
    TempDir dir;
    struct TCase { std::string Target; std::string Planted; bool Removed; };
    for (const TCase& c : {TCase{"c.xch", "c.xch" + dead, true},
                           TCase{"c.xch", "c.xch." + host + ".tmp" + std::to_string(::getpid()) + "-0", false},
                           // Its process id says nothing here.
                           TCase{"c.xch", "c.xch.elsewhere.tmp" + std::to_string(ended) + "-7", false},
                           TCase{"c.xch", "d.xch" + dead, false}, TCase{"c.xch", "c.xch.bak" + dead, false},
                           TCase{"c.xch", "c.xch" + dead + ".bak", false},
                           // Shortened to stay within the limit for one name.
                           TCase{longName, longName.substr(0, NAME_MAX - dead.size()) + dead, true}}) {
        SCOPED_TRACE(c.Planted);
        WriteFileBytes(dir.File(c.Target), "old");
        WriteFileBytes(dir.File(c.Planted), "stale");
        TXmlOutput w(dir.File(c.Target));
        w.WriteHeader();
        w.Close();
        EXPECT_EQ(fs::exists(dir.File(c.Planted)), !c.Removed);
    }
}
