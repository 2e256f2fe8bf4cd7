#pragma once
// The file-system edge shared by the readers and writers of the core:
// reading a whole file without ever blocking or running away, and the
// temporary file beside a target that a writer renames over it once the
// new content is complete.

#include <cstddef>
#include <string>
#include <string_view>

#include <sys/types.h>

// The whole content of a regular file of at most `maxSize` bytes. False for
// anything else (missing, a folder, a FIFO, a device, a link to one, larger
// than the cap, a read error); a FIFO without a writer never blocks.
bool ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& contents);

// The file a path stands for once every symbolic link on its last part is
// followed (at most 40 of them); the path itself when it names no link. A
// relative link target is taken relative to the link's own folder.
std::string FollowLinks(const std::string& path);

// Where `path` leads as the kernel takes it, in two parts: the longest
// leading part of it that exists, with every link and ".." in it resolved
// from the real folders the links lead to (absolute), and the rest as
// written (a folder not mounted today, a file still to come), which the
// kernel will take from there once it exists. A relative path starts in the
// working folder.
struct TResolvedPath {
    std::string Real;
    std::string Rest;
};
TResolvedPath ResolvePath(const std::string& path);

// The folder where the file `fileName` really lies, as the kernel opens it:
// absolute, ending in '/', with every link on the way and a link in its
// last part followed; for a file not there yet, its folder resolved as
// ResolvePath does. Names a championship keeps of other files lead from
// here, whichever way the organiser reached the file.
std::string RealFolderOf(const std::string& fileName);

// The name that leads from the folder `folder` to where `path` leads, both
// resolved as the kernel resolves them, with '/' between the parts: the
// rest of `path` that does not exist is kept as written. The bare name for
// a file in the folder itself.
std::string RelativePath(const std::string& folder, const std::string& path);

// Creates a new, empty file in the folder of `target` (never following a
// link of the same name) and returns its descriptor, with its name in
// `tempName`; -1 when none could be created. The name is the target's with a
// suffix naming this host and process, and is shortened so that it stays
// within the file system's limit for one name, whatever the target's length.
// `mode` is the open call's (the umask applies).
int CreateFileBeside(const std::string& target, std::string& tempName, mode_t mode = 0666);

// Removes the files that CreateFileBeside made for `target` on this host in
// a process that has ended (one killed while it wrote): only regular files
// named as this target's, never one of a process that still runs, nor one
// that another host (sharing the folder) makes.
void RemoveStaleFilesBeside(const std::string& target);

// What TakeAccessOf could give.
enum class TAccessTaken {
    All,
    // The owner or the group could not be given (another user's file, or a
    // group this user is not in): the new file is this user's and opens to
    // the old owner through an entry of its access control list (where the
    // file system keeps them), to no one new: each other entry gives at most
    // what it gave on the old file, and its group gets no access where it is
    // not the old file's group.
    AllButOwner,
    // The access control list could not be copied: the file would be open
    // to others than the old one was.
    Failed
};
// Gives the new file `to` what the file system keeps of the file `from`
// besides its text: the owner where this user may give it, the group, the
// extended attributes (the access control list among them; an inherited one
// that `from` lacks goes) and the mode, last, as a change of owner clears
// set-id bits. All when `from` is not there.
TAccessTaken TakeAccessOf(const std::string& from, int to);

// A copy of the regular file `from` under the new name `to`, open to no one
// `from` is not open to, and to the owner of `from` even where this user
// can't give it the copy: written under a temporary name beside `to` and given
// that name only once it is complete on disk, so that a copy killed half way
// never passes for a whole one. False when it is not made; errno EEXIST when
// `to` is taken.
bool CopyFileAs(const std::string& from, const std::string& to);

// Makes a write beyond the process's file-size limit (ulimit -f) fail with
// EFBIG, as a full disk does, instead of ending the process with SIGXFSZ.
// Programs started later get the default back.
void FailWritesBeyondTheFileSizeLimit();

// Puts `text` into the existing regular file `path` itself, for when its
// folder cannot take a new file to rename over it. The space is reserved
// first, the old text is overwritten and only then cut to the new length,
// and the file is synced. False on failure: `untouched` then says whether
// the old text is back in the file as it was (read back to tell).
bool OverwriteFile(const std::string& path, const std::string& text, bool& untouched);

// Writes all of `text` to the descriptor, going on after interruptions;
// false on the first error.
bool WriteAll(int fd, std::string_view text);
