#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& contents)
{
    // Non-blocking, so that opening a FIFO cannot wait for a writer; only a
    // regular file is read, and only up to the size it had when opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
              static_cast<std::uint64_t>(st.st_size) <= maxSize;
    std::string text;
    if (ok) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        ok = got == text.size();
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

int CreateFileBeside(const std::string& target, std::string& tempName)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const std::size_t keep = std::min(name.size(), static_cast<std::size_t>(NAME_MAX) - suffix.size());
        tempName = folder + name.substr(0, keep) + suffix;
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}
