#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A regular file opened for reading, with its status; -1 (errno EINVAL for
// anything but a regular file) otherwise. Non-blocking, so that opening a
// FIFO cannot wait for a writer.
int OpenRegularFile(const std::string& path, struct stat& st)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0) return fd;
    ::close(fd);
    errno = EINVAL;
    return -1;
}

// `size` bytes from `offset` into `data`, going on after interruptions;
// false on an error or a file that ends before.
bool ReadAt(int fd, char* data, std::size_t size, off_t offset)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pread(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& contents)
{
    // Only up to the size the file had when opened.
    struct stat st {};
    const int fd = OpenRegularFile(path, st);
    if (fd < 0) return false;
    std::string text;
    bool ok = static_cast<std::uint64_t>(st.st_size) <= maxSize;
    if (ok) {
        text.resize(static_cast<std::size_t>(st.st_size));
        ok = ReadAt(fd, text.data(), text.size(), 0);
    }
    ::close(fd);
    if (ok) contents = std::move(text);
    return ok;
}

std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    std::vector<char> buffer(PATH_MAX + 1);
    for (int hop = 0; hop < 40; ++hop) {
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) break;
        std::string target(buffer.data(), static_cast<std::size_t>(n));
        if (!target.empty() && target[0] != '/') {
            const std::size_t slash = current.rfind('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = std::move(target);
    }
    return current;
}

TResolvedPath ResolvePath(const std::string& path)
{
    // Shorter and shorter leading parts, each cut before a '/', until one is
    // there: realpath takes it as the kernel does.
    std::size_t end = path.size();
    for (;;) {
        const std::string part = end > 0 ? path.substr(0, end) : path.starts_with('/') ? "/" : ".";
        if (char* real = ::realpath(part.c_str(), nullptr)) {
            TResolvedPath resolved{real, path.substr(end)};
            std::free(real);
            resolved.Rest.erase(0, resolved.Rest.find_first_not_of('/'));
            return resolved;
        }
        // Not even the start is there (a working folder removed): as written.
        if (end == 0) return {path, ""};
        end = path.rfind('/', end - 1);
        if (end == std::string::npos) end = 0;
    }
}

std::string RealFolderOf(const std::string& fileName)
{
    // The link in the last part is followed first: its target's folder,
    // not the link's, holds the file.
    const std::string file = FollowLinks(fileName);
    const std::size_t slash = file.rfind('/');
    const TResolvedPath folder =
        ResolvePath(slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : file.substr(0, slash));
    std::string real = folder.Real;
    if (!real.ends_with('/')) real += '/';
    if (!folder.Rest.empty()) real += folder.Rest + (folder.Rest.ends_with('/') ? "" : "/");
    return real;
}

namespace {

// The names a path goes through, without the empty and "." ones, which the
// kernel passes over.
void AppendParts(const std::string& path, std::vector<std::string>& parts)
{
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(at, end - at);
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        at = end + 1;
    }
}

} // namespace

std::string RelativePath(const std::string& folder, const std::string& path)
{
    const TResolvedPath from = ResolvePath(folder);
    const TResolvedPath to = ResolvePath(path);
    std::vector<std::string> up, down;
    AppendParts(from.Real, up);
    AppendParts(from.Rest, up);
    AppendParts(to.Real, down);
    AppendParts(to.Rest, down);
    // The same names taken from the same real folder lead to the same place,
    // whatever the kernel finds there; the real parts hold no link and no
    // "..", so each name left of the folder is one ".." up.
    std::size_t same = 0;
    while (same < up.size() && same < down.size() && up[same] == down[same]) ++same;
    std::string relative;
    for (std::size_t i = same; i < up.size(); ++i) relative += "../";
    for (std::size_t i = same; i < down.size(); ++i) relative += down[i] + "/";
    if (!relative.empty()) relative.pop_back();
    return relative;
}

namespace {

// This host's name as it can stand in a file name.
std::string HostTag()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    std::string tag = host;
    for (char& c : tag)
        if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9') && c != '-' && c != '.')
            c = '_';
    return tag;
}

// "<name, shortened>.<host>.tmp<pid>-<attempt>": the pid says something
// only on the host that named the file, so the host is part of the name.
std::string NameBeside(const std::string& name, const std::string& host, long long pid, long long attempt)
{
    const std::string suffix = "." + host + ".tmp" + std::to_string(pid) + "-" + std::to_string(attempt);
    const std::size_t keep = std::min(name.size(), static_cast<std::size_t>(NAME_MAX) - suffix.size());
    return name.substr(0, keep) + suffix;
}

// A whole decimal number written as std::to_string writes it, or -1.
long long CanonicalNumber(const std::string& text)
{
    long long value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || std::to_string(value) != text) return -1;
    return value;
}

} // namespace

int CreateFileBeside(const std::string& target, std::string& tempName, mode_t mode)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string host = HostTag();
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = folder + NameBeside(name, host, ::getpid(), attempt);
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void RemoveStaleFilesBeside(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string host = HostTag();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string entryName = entry->d_name;
        const std::size_t tmp = entryName.rfind(".tmp");
        if (tmp == std::string::npos) continue;
        const std::size_t dash = entryName.find('-', tmp);
        if (dash == std::string::npos) continue;
        const long long pid = CanonicalNumber(entryName.substr(tmp + 4, dash - tmp - 4));
        const long long attempt = CanonicalNumber(entryName.substr(dash + 1));
        if (pid <= 0 || pid > INT_MAX || attempt < 0 || attempt >= 100) continue;
        // Only this target's, named on this host.
        if (entryName != NameBeside(name, host, pid, attempt)) continue;
        // A process that still runs (or belongs to someone else) may be
        // writing it right now.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entryName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entryName.c_str(), 0);
    }
    ::closedir(dir);
}

namespace {

constexpr const char* AccessControlList = "system.posix_acl_access";

// What listxattr or getxattr gives through `call` (a buffer and its size;
// none asks for the size), asked again should it grow in between.
bool AttributeBytes(const std::function<ssize_t(char*, std::size_t)>& call, std::vector<char>& bytes)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) return false;
        bytes.resize(static_cast<std::size_t>(size));
        const ssize_t got = call(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
    return false;
}

// An entry of an access control list as the kernel keeps it in the
// extended attribute: tag, permission bits (4 read, 2 write, 1 execute), and
// the user or group it names.
struct TAclEntry {
    std::uint16_t Tag;
    std::uint16_t Perm;
    std::uint32_t Id;
};
enum : std::uint16_t { AclOwner = 1, AclUser = 2, AclOwningGroup = 4, AclGroup = 8, AclMask = 0x10, AclOther = 0x20 };
constexpr std::uint32_t AclNoId = 0xffffffff;
constexpr std::uint32_t AclVersion = 2;

// Little-endian, after a 4-byte header holding the version; false for any
// other form.
bool ParseAcl(const std::vector<char>& bytes, std::vector<TAclEntry>& entries)
{
    auto at = [&](std::size_t i, int size) {
        std::uint32_t value = 0;
        for (int b = size - 1; b >= 0; --b) value = value << 8 | static_cast<unsigned char>(bytes[i + b]);
        return value;
    };
    if (bytes.size() < 4 || (bytes.size() - 4) % 8 != 0 || at(0, 4) != AclVersion) return false;
    for (std::size_t i = 4; i < bytes.size(); i += 8)
        entries.push_back(
            {static_cast<std::uint16_t>(at(i, 2)), static_cast<std::uint16_t>(at(i + 2, 2)), at(i + 4, 4)});
    return true;
}

std::vector<char> AclBytes(std::vector<TAclEntry> entries)
{
    // The kernel takes them only in this order.
    std::sort(entries.begin(), entries.end(),
              [](const TAclEntry& a, const TAclEntry& b) { return a.Tag != b.Tag ? a.Tag < b.Tag : a.Id < b.Id; });
    std::vector<char> bytes;
    auto put = [&](std::uint32_t value, int size) {
        for (int b = 0; b < size; ++b) bytes.push_back(static_cast<char>(value >> 8 * b & 0xff));
    };
    put(AclVersion, 4);
    for (const TAclEntry& e : entries) {
        put(e.Tag, 2);
        put(e.Perm, 2);
        put(e.Id, 4);
    }
    return bytes;
}

// The file `to`, which this user owns in place of the owner of `from`
// (whose status is `old`), opens to that owner as `from` did, through an
// entry of its access control list, and to no one new: every other entry
// gives at most what it gave on `from` under its mask, which widens for the
// owner's entry, and the group nothing where it is not `from`'s. Without
// such a list (a file system that keeps none, or one that can't be written)
// it opens to its own owner and to others as `from` did, and to the group
// only where it is `from`'s. False when it might open to someone new.
bool OpenToTheOldOwner(const std::string& from, const struct stat& old, bool groupKept, int to)
{
    std::uint16_t owner = old.st_mode >> 6 & 7, group = old.st_mode >> 3 & 7, other = old.st_mode & 7;
    // Without a list the group's bits are all its own.
    std::uint16_t mask = 7;
    std::vector<char> bytes;
    std::vector<TAclEntry> entries;
    const bool known =
        AttributeBytes([&](char* b, std::size_t n) { return ::getxattr(from.c_str(), AccessControlList, b, n); },
                       bytes)
            ? ParseAcl(bytes, entries)
            : errno == ENODATA || errno == ENOTSUP;
    std::vector<TAclEntry> given;
    for (const TAclEntry& e : entries) {
        if (e.Tag == AclOwner) owner = e.Perm;
        else if (e.Tag == AclOwningGroup) group = e.Perm;
        else if (e.Tag == AclOther) other = e.Perm;
        else if (e.Tag == AclMask) mask = e.Perm;
        // The owner's entry comes from its own bits.
        else if (e.Tag != AclUser || e.Id != old.st_uid) given.push_back(e);
    }
    // A list this program can't read might give the group less than the mode says.
    group = known && groupKept ? group & mask : 0;
    given.push_back({AclUser, owner, old.st_uid});
    std::uint16_t widened = group;
    for (TAclEntry& e : given) {
        if (e.Tag != AclUser || e.Id != old.st_uid) e.Perm &= mask;
        widened |= e.Perm;
    }
    given.insert(given.end(), {{AclOwner, owner, AclNoId}, {AclOwningGroup, group, AclNoId},
                               {AclMask, widened, AclNoId}, {AclOther, other, AclNoId}});
    const mode_t setId = old.st_mode & (groupKept ? 07000 : 05000);
    const std::vector<char> acl = AclBytes(given);
    // The list before the mode, whose group bits become its mask: an
    // entry inherited from the folder's default would open to the mask.
    if (known && ::fsetxattr(to, AccessControlList, acl.data(), acl.size(), 0) == 0)
        return ::fchmod(to, setId | owner << 6 | widened << 3 | other) == 0;
    const bool removed = ::fremovexattr(to, AccessControlList) == 0 || errno == ENODATA || errno == ENOTSUP;
    ::fchmod(to, setId | owner << 6 | group << 3 | other);
    return removed;
}

} // namespace

TAccessTaken TakeAccessOf(const std::string& from, int to)
{
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) return TAccessTaken::All;
    const bool ownerKept = ::fchown(to, st.st_uid, st.st_gid) == 0;
    // Failing that, only the group, which a member may give; failing that
    // too the file is this user's, as any new file.
    const bool groupKept = ownerKept || ::fchown(to, static_cast<uid_t>(-1), st.st_gid) == 0;
    std::vector<char> names;
    // A file system without extended attributes has no access control list
    // either.
    bool aclKept = AttributeBytes([&](char* b, std::size_t n) { return ::listxattr(from.c_str(), b, n); }, names) ||
                   errno == ENOTSUP;
    bool hadAcl = false;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at, ::strnlen(names.data() + at, names.size() - at));
        at += name.size() + 1;
        // Another user's list is not copied as it is (see below).
        if (name == AccessControlList && !ownerKept) continue;
        std::vector<char> value;
        // One that this user may not set (a trusted or security attribute)
        // stays behind; the access control list may not.
        const bool copied =
            AttributeBytes([&](char* b, std::size_t n) { return ::getxattr(from.c_str(), name.c_str(), b, n); },
                           value) &&
            ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) == 0;
        if (name == AccessControlList) {
            hadAcl = true;
            aclKept = aclKept && copied;
        }
    }
    if (!ownerKept)
        return OpenToTheOldOwner(from, st, groupKept, to) ? TAccessTaken::AllButOwner : TAccessTaken::Failed;
    // One inherited from the folder's default would open the file to more
    // users than the old one.
    if (!hadAcl) ::fremovexattr(to, AccessControlList);
    // The mode last: it sets the list's mask from the group bits, as the
    // old file had them.
    ::fchmod(to, st.st_mode & 07777);
    return aclKept ? TAccessTaken::All : TAccessTaken::Failed;
}

namespace {

// The `size` bytes of `in` from its start into `out`, a block at a time; a
// file cut short meanwhile gives no whole copy.
bool CopyBytes(int in, int out, off_t size)
{
    std::vector<char> block(std::size_t{1} << 16);
    for (off_t done = 0; done < size;) {
        const auto n = static_cast<std::size_t>(std::min<off_t>(size - done, static_cast<off_t>(block.size())));
        if (!ReadAt(in, block.data(), n, done) || !WriteAll(out, std::string_view(block.data(), n))) return false;
        done += static_cast<off_t>(n);
    }
    return true;
}

} // namespace

bool CopyFileAs(const std::string& from, const std::string& to)
{
    // Only a regular file, and only what it held when it was opened, in
    // blocks: the copy never waits on a FIFO, and the memory it takes does
    // not grow with the file.
    struct stat st {};
    const int in = OpenRegularFile(from, st);
    if (in < 0) return false;
    // What a copy that was killed left.
    RemoveStaleFilesBeside(to);
    std::string temp;
    const int fd = CreateFileBeside(to, temp, 0600);
    if (fd < 0) {
        const int error = errno;
        ::close(in);
        errno = error;
        return false;
    }
    bool ok = TakeAccessOf(from, fd) != TAccessTaken::Failed && CopyBytes(in, fd, st.st_size);
    ::close(in);
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    // Never over a file of that name. A file system that can't promise that
    // in one step gets a second link and loses the temporary name; one
    // without links is renamed when the name is free.
    if (ok && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        ok = false;
        if (errno == EINVAL || errno == ENOSYS) {
            if (::link(temp.c_str(), to.c_str()) == 0) {
                ::unlink(temp.c_str());
                ok = true;
            } else if (errno != EEXIST) {
                ok = ::access(to.c_str(), F_OK) != 0 && errno == ENOENT && ::rename(temp.c_str(), to.c_str()) == 0;
            }
        }
    }
    const int error = errno;
    if (!ok) ::unlink(temp.c_str());
    errno = error;
    return ok;
}

namespace {

// Does nothing: the write that went beyond the limit fails with EFBIG.
void FileSizeLimitReached(int) {}

} // namespace

void FailWritesBeyondTheFileSizeLimit()
{
    // A handler rather than SIG_IGN: an ignored signal stays ignored in the
    // programs this one starts (the desktop's viewer of an export), a
    // handled one does not.
    struct sigaction action {};
    action.sa_handler = FileSizeLimitReached;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGXFSZ, &action, nullptr);
}

namespace {

// The whole text from the file's start, then the file cut to its length and
// synced.
bool PutText(int fd, const std::string& text)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, text) &&
           ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 && ::fsync(fd) == 0;
}

// Whether the file holds exactly `text`.
bool Holds(int fd, const std::string& text)
{
    struct stat st {};
    std::string now(text.size(), '\0');
    return ::fstat(fd, &st) == 0 && st.st_size == static_cast<off_t>(text.size()) && ReadAt(fd, now.data(), now.size(), 0) && now == text;
}

} // namespace

bool OverwriteFile(const std::string& path, const std::string& text, bool& untouched)
{
    // Not atomic, unlike a file renamed over the old one: a crash (or power
    // loss) while it writes leaves the file mixed. Used only when the folder
    // can take no new file, so there is no other way, and the user agreed.
    untouched = true;
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    std::string old;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
    if (ok) {
        old.resize(static_cast<std::size_t>(st.st_size));
        ok = ReadAt(fd, old.data(), old.size(), 0);
    }
    // The room for the longer text first: a full disk or a size limit then
    // stops the save before a byte of the old text changes.
    if (ok && text.size() > old.size() && ::posix_fallocate(fd, 0, static_cast<off_t>(text.size())) != 0) {
        ok = false;
        // Whatever it reserved before it failed goes again.
        untouched = ::ftruncate(fd, st.st_size) == 0;
    }
    if (!ok) {
        ::close(fd);
        return false;
    }
    const bool written = PutText(fd, text);
    // Whatever failed, the old text goes back rather than leaving a mix. A
    // size limit below the old text stops putting it back at the limit too,
    // where the bytes beyond it never changed: what is there tells.
    if (!written) untouched = PutText(fd, old) || Holds(fd, old);
    ::close(fd);
    return written;
}

bool WriteAll(int fd, std::string_view text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}
