// Map bitmaps that are not what their headers claim: data that ends early in
// each format the program meets, and sizes beyond the memory maps may take,
// refused before anything is decoded; the map shown stays.
#include <gtest/gtest.h>

#include <QBuffer>
#include <cstdlib>
#include <filesystem>

#include "platform/Exceptions.h"
#include "ui/MapFixture.h"

using namespace mapview;

namespace {

// The details of the refusal to load the file, or "loaded".
std::string Refusal(TMapFixture& f, const std::string& file)
{
    static int maps = 0;
    TMap* shown = f.View.Map;
    try {
        f.View.LoadMap(f.AddMap("B" + std::to_string(++maps), file), &f.Canvas);
    } catch (const TException& e) {
        EXPECT_EQ(e.WhatText(), "Can't load map bitmap");
        EXPECT_EQ(f.View.Map, shown) << "the map shown went";
        const std::string prefix = f.Dir.File(file);
        return e.Details().rfind(prefix, 0) == 0 ? e.Details().substr(prefix.size()) : e.Details();
    }
    return "loaded";
}

std::string Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

void Put(std::string& bytes, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) bytes[at + static_cast<std::size_t>(i)] = char(value >> (8 * i) & 0xFF);
}

// An 8-bit run-length coded BMP of `width` x `height` in one colour: per row
// runs of at most 255 pixels and an end of line, then the end of the bitmap.
std::string RleBitmap(int width, int height)
{
    std::string bytes(14 + 40 + 256 * 4, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 10, static_cast<std::uint32_t>(bytes.size()), 4);
    Put(bytes, 14, 40, 4);
    Put(bytes, 18, static_cast<std::uint32_t>(width), 4);
    Put(bytes, 22, static_cast<std::uint32_t>(height), 4);
    Put(bytes, 26, 1, 2);
    Put(bytes, 28, 8, 2);
    Put(bytes, 30, 1, 4); // RLE8
    Put(bytes, 46, 256, 4);
    Put(bytes, 54 + 4, 0x003264C8, 4); // colour 1
    for (int y = 0; y < height; ++y) {
        for (int left = width; left > 0; left -= 255) {
            bytes += char(std::min(left, 255));
            bytes += char(1);
        }
        bytes += std::string("\0\0", 2);
    }
    bytes += std::string("\0\1", 2);
    Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    return bytes;
}

// A JPEG whose header claims width x height; its data is a small image's.
std::string JpegClaiming(int width, int height)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(qRgb(200, 100, 50));
    std::string bytes = Encoded(small, "JPEG");
    const std::size_t frame = bytes.find("\xFF\xC0");
    EXPECT_NE(frame, std::string::npos);
    bytes[frame + 5] = char(height >> 8);
    bytes[frame + 6] = char(height & 0xFF);
    bytes[frame + 7] = char(width >> 8);
    bytes[frame + 8] = char(width & 0xFF);
    return bytes;
}

} // namespace

TEST(MapBitmap, DataThatEndsEarlyIsRefusedInEveryFormat)
{
    TMapFixture f;
    f.LoadMap();
    const QImage image = QuadrantBitmap();
    struct TCase {
        std::string Name;
        std::string Bytes;
        std::string Cut; // the details after the file's name
    };
    const std::string bmp = Encoded(image, "BMP");
    ASSERT_EQ(bmp.size(), 54u + 3u * MapWidth * MapHeight) << "not a 24-bit file";
    for (const TCase& c : {TCase{"whole.bmp", bmp, ""},
                           TCase{"whole.jpg", Encoded(image, "JPEG"), ": the file ends before the image does"},
                           TCase{"whole.png", Encoded(image, "PNG"), ""},
                           TCase{"rle.bmp", RleBitmap(600, 300), ": the file ends before its pixel data does"}}) {
        SCOPED_TRACE(c.Name);
        WriteFileBytes(f.Dir.File(c.Name), c.Bytes);
        EXPECT_EQ(Refusal(f, c.Name), "loaded");
        f.View.Redraw();
        const QRgb expected = c.Name == "rle.bmp" ? qRgb(50, 100, 200) : MapColour(10, 10);
        const QRgb shown = f.Pixel(10, 10);
        EXPECT_LE(std::abs(qRed(shown) - qRed(expected)) + std::abs(qGreen(shown) - qGreen(expected)) +
                      std::abs(qBlue(shown) - qBlue(expected)),
                  c.Name == "whole.jpg" ? 30 : 0);
        // Cut in half (the BMP: its bottom half is stored first).
        WriteFileBytes(f.Dir.File("half-" + c.Name), c.Bytes.substr(0, c.Bytes.size() / 2));
        const std::string cut = c.Name == "whole.bmp" ? ": the file ends before its pixel data does (2400054 bytes, "
                                                        "the file has 1200027)"
                                                      : c.Cut;
        EXPECT_EQ(Refusal(f, "half-" + c.Name), cut);
    }
    // A JPEG without its end marker; 60 bytes claiming 16 384 x 16 384 pixels.
    const std::string jpeg = Encoded(image, "JPEG");
    WriteFileBytes(f.Dir.File("open.jpg"), jpeg.substr(0, jpeg.size() - 2));
    EXPECT_EQ(Refusal(f, "open.jpg"), ": the file ends before the image does");
    std::string tiny = bmp.substr(0, 60);
    Put(tiny, 18, 16384, 4);
    Put(tiny, 22, 16384, 4);
    WriteFileBytes(f.Dir.File("tiny.bmp"), tiny);
    EXPECT_EQ(Refusal(f, "tiny.bmp"), ": the file ends before its pixel data does (805306422 bytes, the file has 60)");
}

TEST(MapBitmap, TheClaimedSizeMustFitInTheMemoryLeftForMaps)
{
    TMapFixture f;
    f.LoadMap();
    // 23 000 x 23 000: too much even alone; nothing is decoded.
    WriteFileBytes(f.Dir.File("huge.jpg"), JpegClaiming(23000, 23000));
    const std::string huge = Refusal(f, "huge.jpg");
    EXPECT_EQ(huge.substr(0, 28), ": 23000 x 23000 pixels need ") << huge;
    EXPECT_NE(huge.find("; maps may take 2048 MiB in all, of which "), std::string::npos) << huge;

    // 18 000 x 18 000 fits beside a small map (and is refused for its
    // missing data), not beside a 10 000 x 10 000 one still shown.
    std::string open = JpegClaiming(18000, 18000);
    open.resize(open.size() - 2);
    WriteFileBytes(f.Dir.File("open.jpg"), open);
    EXPECT_EQ(Refusal(f, "open.jpg"), ": the file ends before the image does");

    // BMP headers alone: Qt gives no size beyond 16384 x 16384 pixels, the
    // header does, and the refusal names it with the limit that holds.
    for (const auto& [side, limit] : {std::pair<unsigned, std::string>{24000, " need 2930 MiB of memory; maps may"},
                                      {20000, "; a BMP file may hold at most 268435456 pixels (16384 x 16384)"}}) {
        std::string bmp(54, '\0');
        for (const auto& [at, value] : {std::pair{0u, 0x4D42u}, {14u, 40u}, {18u, side}, {22u, side}, {26u, 1u}, {28u, 24u}})
            Put(bmp, at, value, 4);
        WriteFileBytes(f.Dir.File("huge.bmp"), bmp);
        const std::string pixels = ": " + std::to_string(side) + " x " + std::to_string(side) + " pixels";
        EXPECT_EQ(Refusal(f, "huge.bmp").substr(0, pixels.size() + limit.size()), pixels + limit);
    }

    const int side = 10000;
    std::string header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    Put(header, 2, 54 + 3u * side * side, 4);
    Put(header, 10, 54, 4);
    Put(header, 14, 40, 4);
    Put(header, 18, side, 4);
    Put(header, 22, side, 4);
    Put(header, 26, 1, 2);
    Put(header, 28, 24, 2);
    WriteFileBytes(f.Dir.File("big.bmp"), header);
    std::filesystem::resize_file(f.Dir.File("big.bmp"), 54 + 3ull * side * side);
    ASSERT_EQ(Refusal(f, "big.bmp"), "loaded");
    const std::string beside = Refusal(f, "open.jpg");
    EXPECT_EQ(beside.substr(0, 28), ": 18000 x 18000 pixels need ") << beside;
}
