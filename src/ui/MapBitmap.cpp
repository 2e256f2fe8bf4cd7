#include "ui/MapBitmap.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <memory>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "ui/QtText.h"

namespace {

unsigned Byte(std::string_view d, std::size_t at)
{
    return static_cast<unsigned char>(d[at]);
}

std::uint32_t Le(std::string_view d, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | Byte(d, at + static_cast<std::size_t>(i));
    return v;
}

const char* const EndsEarly = "the file ends before its pixel data does";

// A run-length coded BMP's data, from `at`: complete when it reaches its
// end-of-bitmap code or has ended all `rows` lines.
std::string RleShortfall(std::string_view d, std::size_t at, std::int64_t rows, bool eightBit)
{
    std::int64_t row = 0;
    while (at + 2 <= d.size()) {
        const unsigned count = Byte(d, at);
        const unsigned code = Byte(d, at + 1);
        at += 2;
        if (count > 0) continue; // a run of one colour
        if (code == 1) return {}; // end of bitmap
        if (code == 0) {
            if (++row >= rows) return {};
            continue;
        }
        if (code == 2) { // a move right and down
            if (at + 2 > d.size()) break;
            row += Byte(d, at + 1);
            at += 2;
            if (row >= rows) return {};
            continue;
        }
        // `code` pixels one by one, padded to whole 16-bit words.
        const std::size_t bytes = eightBit ? code : (code + 1) / 2;
        at += bytes + (bytes & 1);
    }
    return EndsEarly;
}

// Qt's BMP reader takes no more pixels than this, whatever the memory, and
// refuses a larger file without saying why.
constexpr std::int64_t QtBmpPixels = std::int64_t{16384} * 16384;

struct TBmpHeader {
    std::uint64_t HeaderSize = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0; // rows, whichever way they are stored
    std::uint32_t Bits = 0;
    std::uint32_t Compression = 0;
};

// What a BMP's headers claim; false when they are cut short or claim no
// image.
bool ReadBmpHeader(std::string_view d, TBmpHeader& h)
{
    if (d.size() < 26 || d.substr(0, 2) != "BM") return false;
    h.HeaderSize = Le(d, 14, 4);
    if (h.HeaderSize == 12) {
        h.Width = Le(d, 18, 2);
        h.Height = Le(d, 20, 2);
        h.Bits = Le(d, 24, 2);
    } else {
        if (d.size() < 34) return false;
        h.Width = static_cast<std::int32_t>(Le(d, 18, 4));
        h.Height = static_cast<std::int32_t>(Le(d, 22, 4));
        h.Bits = Le(d, 28, 2);
        h.Compression = Le(d, 30, 4);
    }
    if (h.Height < 0) h.Height = -h.Height; // stored top row first
    return h.Width > 0 && h.Height != 0 && h.Bits != 0;
}

// Why a BMP cannot hold what its header claims; empty when it can (or when
// the header is one Qt refuses by itself).
std::string BmpShortfall(std::string_view d)
{
    TBmpHeader header;
    if (!ReadBmpHeader(d, header)) return {};
    const std::uint64_t headerSize = header.HeaderSize;
    const std::int64_t width = header.Width;
    const std::int64_t height = header.Height;
    const std::uint32_t bits = header.Bits;
    // The pixels start where the file header says, and never inside the headers.
    const std::uint64_t start = std::max<std::uint64_t>(Le(d, 10, 4), 14 + headerSize);
    switch (header.Compression) {
    case 0: // plain rows, each padded to whole 32-bit words
    case 3: // the same with colour masks
    case 6: {
        const std::uint64_t row = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
        const std::uint64_t need = start + row * static_cast<std::uint64_t>(height);
        if (d.size() >= need) return {};
        return std::string(EndsEarly) + " (" + std::to_string(need) + " bytes, the file has " +
               std::to_string(d.size()) + ")";
    }
    case 1:
    case 2:
        if (start >= d.size()) return EndsEarly;
        return RleShortfall(d, static_cast<std::size_t>(start), height, header.Compression == 1);
    default: return {};
    }
}

// A JPEG is complete when its segments lead to the end-of-image marker; the
// decoder fills whatever is missing before it with grey.
std::string JpegShortfall(std::string_view d)
{
    std::size_t at = 2; // the start-of-image marker
    for (;;) {
        // Bytes up to the next marker: coded image data, in which 0xFF is
        // followed only by a stuffed 0 or a restart marker, or stray bytes.
        while (at < d.size() && Byte(d, at) != 0xFF) ++at;
        while (at < d.size() && Byte(d, at) == 0xFF) ++at;
        if (at >= d.size()) return "the file ends before the image does";
        const unsigned marker = Byte(d, at++);
        if (marker == 0xD9) return {};
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
        // A segment with its length (the length's own two bytes included).
        if (at + 2 > d.size()) return "the file ends before the image does";
        const std::size_t length = Byte(d, at) << 8 | Byte(d, at + 1);
        if (length < 2) return "a segment of the file is damaged";
        at += length;
    }
}

std::string MiB(std::uint64_t bytes)
{
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

} // namespace

QImage ReadMapBitmap(const std::string& path, const std::string& shownName, std::uint64_t available)
{
    auto refused = [&shownName](const std::string& why) {
        return TException("", "Can't load map bitmap", why.empty() ? shownName : shownName + ": " + why);
    };
    // Qt's own limit counts the decoded image alone, and would refuse, with
    // no word of why, what the program's budget takes; the checks below
    // count the rest.
    QImageReader::setAllocationLimit(static_cast<int>(MapMemoryBudget >> 20));
    QImage image;
    {
        // Only a regular file: a FIFO would wait for a writer for ever.
        std::string data;
        if (!ReadRegularFile(path, available, data)) throw refused("");
        QBuffer device;
        device.setData(QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size())));
        device.open(QIODevice::ReadOnly);
        // The content decides, as the file's name may lie about it; the
        // name's suffix only for formats without a signature.
        std::unique_ptr<QImageReader> detected = std::make_unique<QImageReader>(&device);
        if (!detected->canRead()) {
            device.seek(0);
            const QByteArray suffix = QFileInfo(PathToQt(path)).suffix().toLower().toLatin1();
            detected = std::make_unique<QImageReader>(&device, suffix);
        }
        QImageReader& reader = *detected;

        std::int64_t width = reader.size().width();
        std::int64_t height = reader.size().height();
        // A BMP beyond Qt's pixel limit has no size for Qt: its header tells.
        TBmpHeader header;
        const bool bmp = !reader.size().isValid() && ReadBmpHeader(data, header);
        if (bmp) {
            width = header.Width;
            height = header.Height;
        }
        if (width <= 0 || height <= 0) throw refused("");
        const std::string claimed = std::to_string(width) + " x " + std::to_string(height) + " pixels";
        const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
        const QImage::Format decoded = reader.imageFormat();
        std::uint64_t need = data.size() + pixels * 4 + pixels * 4 / 3;
        if (bmp)
            need += header.Bits <= 8 ? pixels : header.Bits == 32 ? pixels * 4 : 0; // Qt gives 8-bit or 32-bit pixels
        else if (decoded != QImage::Format_RGB32)
            need += decoded == QImage::Format_Invalid ? pixels * 8
                                                      : pixels * QImage::toPixelFormat(decoded).bitsPerPixel() / 8;
        if (need > available)
            throw refused(claimed + " need " + MiB(need) + " of memory; maps may take " + MiB(MapMemoryBudget) +
                          " in all, of which " + MiB(available) + " are free");
        if (bmp && width * height > QtBmpPixels)
            throw refused(claimed + "; a BMP file may hold at most " + std::to_string(QtBmpPixels) +
                          " pixels (16384 x 16384)");

        const QByteArray format = reader.format();
        const std::string shortfall =
            format == "bmp" ? BmpShortfall(data) : format == "jpeg" ? JpegShortfall(data) : std::string();
        if (!shortfall.empty()) throw refused(shortfall);

        if (!reader.read(&image) || image.isNull()) throw refused("");
    }
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) throw refused("");
    return image;
}
