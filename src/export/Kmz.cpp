#include "export/Kmz.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>

#include <zip.h>

namespace {

constexpr std::size_t ZipBufferSize = 16384;
// General purpose bit 11: the entry's name is UTF-8.
constexpr uLong Utf8NameFlag = 1u << 11;
// minizip's own "version made by" (zipOpenNewFileInZip3 passes this value).
constexpr uLong MadeBy = 0;

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool FileDosTime(const std::string& fileName, std::uint16_t& dosDate, std::uint16_t& dosTime)
{
    struct stat st;
    if (::stat(fileName.c_str(), &st) != 0) return false;
    const std::time_t t = st.st_mtime;
    std::tm local{};
    if (!::localtime_r(&t, &local)) return false;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return false;
    dosDate = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    dosTime = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    return true;
}

bool DeleteOneFile(const std::string& fileName)
{
    // unlink refuses folders, where remove() would take an empty one.
    return ::unlink(fileName.c_str()) == 0;
}

int ZipOneFile(const std::string& source, const std::string& archive)
{
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[ZipBufferSize]);
    if (!buffer) return ZipNoBuffer;

    zlib_filefunc_def files;
    fill_fopen_filefunc(&files);
    zipFile zip = zipOpen2(archive.c_str(), APPEND_STATUS_CREATE, nullptr, &files);
    if (!zip) return ZIP_ERRNO;

    zip_fileinfo info{};
    std::uint16_t dosDate = 0, dosTime = 0;
    if (FileDosTime(source, dosDate, dosTime)) info.dosDate = (static_cast<uLong>(dosDate) << 16) | dosTime;

    // The name is the file's own, UTF-8 as the export makes it: flag bit 11
    // says so, or readers take it as code page 437 and garble accents.
    // Everything else is what zipOpenNewFileInZip3 passes on.
    const std::string entryName = std::filesystem::path(source).filename().string();
    int result = zipOpenNewFileInZip4_64(zip, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                         9, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, MadeBy, Utf8NameFlag, 0);
    if (result == ZIP_OK) {
        std::unique_ptr<std::FILE, TFileCloser> in(std::fopen(source.c_str(), "rb"));
        if (!in) result = ZIP_ERRNO;
        while (result == ZIP_OK) {
            const std::size_t got = std::fread(buffer.get(), 1, ZipBufferSize, in.get());
            if (got < ZipBufferSize && !std::feof(in.get())) result = ZIP_ERRNO;
            if (got > 0 && result == ZIP_OK)
                result = zipWriteInFileInZip(zip, buffer.get(), static_cast<unsigned>(got));
            if (got < ZipBufferSize) break;
        }
        const int closed = zipCloseFileInZip(zip);
        if (result == ZIP_OK) result = closed;
    }
    const int closed = zipClose(zip, nullptr);
    if (result == ZIP_OK) result = closed;
    return result;
}
