#include "files/bmp_file.h"
#include "files/picture_file.h"
#include "navigation/run_control.h"
#include "support/fixture.h"

#include "files/file_test_support.h"

#include <algorithm>
#include <cstring>

namespace vantorel::testing {
namespace {

std::uint32_t le(const std::string& b, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

// Reads a 24-bit uncompressed BMP back into colours red + 256 * green + 65536 * blue.
struct Bitmap {
    int width = 0, height = 0;
    std::vector<Colour> pixels;
};
Bitmap parseBmp(const std::string& b)
{
    Bitmap bmp;
    EXPECT_GE(b.size(), 54u);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return bmp;
    const std::uint32_t offset = le(b, 10, 4);
    const auto w = static_cast<std::int32_t>(le(b, 18, 4));
    const auto h = static_cast<std::int32_t>(le(b, 22, 4));
    EXPECT_EQ(le(b, 26, 2), 1u);   // planes
    EXPECT_EQ(le(b, 28, 2), 24u);  // bits per pixel
    EXPECT_EQ(le(b, 30, 4), 0u);   // no compression
    const bool bottomUp = h > 0;
    bmp.width = w;
    bmp.height = bottomUp ? h : -h;
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    EXPECT_EQ(le(b, 2, 4), b.size());
    EXPECT_GE(b.size(), offset + row * bmp.height);
    if (b.size() < offset + row * bmp.height)
        return bmp;
    for (int y = 0; y < bmp.height; ++y) {
        const std::size_t start = offset + row * static_cast<std::size_t>(bottomUp ? bmp.height - 1 - y : y);
        for (int x = 0; x < w; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(b.data() + start + 3 * static_cast<std::size_t>(x));
            bmp.pixels.push_back(p[2] + 256 * p[1] + 65536 * p[0]);
        }
    }
    return bmp;
}

class PictureFileTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        fake.folder = folder.root.string();
    }
    void saveAs(const std::string& path)
    {
        fake.saveDialogAnswer = path;
        mnusavepicturebmp_Click();
    }
    TempFolder folder;
};

TEST_F(PictureFileTest, RefusedWithAMessageWhilePictureSavingIsOff)
{
    fake.persistent = false;
    saveAs(folder.path("p.bmp"));
    EXPECT_EQ(fake.messages, std::vector<std::string>{"Vantorel|Enable picture saving in the 'Options' first!"});
    EXPECT_TRUE(fake.dialogRequests.empty());  // the dialog never opened
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(PictureFileTest, SavedBitmapReadsBackAsTheCanvas)
{
    fake.persistent = true;
    Command1_Click();                         // a whole picture of the full view
    fake.canvasSetPixel(0, 0, 0x0000ff);      // red, top left
    fake.canvasSetPixel(599, 499, 0xff0000);  // blue, bottom right
    fake.canvasSetPixel(1, 0, 0x00ff00);      // green

    saveAs(folder.path("full.bmp"));

    ASSERT_EQ(fake.dialogRequests.size(), 1u);
    EXPECT_EQ(fake.dialogRequests[0],
              std::string("save|bmp\0|bmp|", 14) + userData.root.string() + "/vantorel/mandel_pictures/");
    EXPECT_TRUE(fake.messages.empty());
    const Bitmap bmp = parseBmp(readBytes(folder.path("full.bmp")));
    EXPECT_EQ(bmp.width, 600);
    EXPECT_EQ(bmp.height, 500);
    EXPECT_TRUE(std::ranges::equal(bmp.pixels, fake.canvas()));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"full.bmp"});
}

TEST_F(PictureFileTest, SavedDuringAPlotHoldsThePictureAsFarAsItIsDrawn)
{
    fake.persistent = true;
    CanvasPixels atSave;
    fake.atPump(5, [&] {
        atSave = fake.canvas();
        saveAs(folder.path("half.bmp"));
    });
    Command1_Click();
    ASSERT_FALSE(atSave.empty());
    const Bitmap bmp = parseBmp(readBytes(folder.path("half.bmp")));
    EXPECT_TRUE(std::ranges::equal(bmp.pixels, atSave));
    EXPECT_FALSE(std::ranges::equal(bmp.pixels, fake.canvas()));  // the plot went on afterwards
}

TEST_F(PictureFileTest, NameTestIsOnTheWholePathCapitalsNotAccepted)
{
    fake.persistent = true;
    saveAs(folder.path("shout.BMP"));
    saveAs("");  // cancelled: nothing said
    EXPECT_EQ(fake.bitmapsTaken, 0);
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_EQ(fake.messages,
              std::vector<std::string>{"Vantorel|Could not save the picture to \"" + folder.path("shout.BMP")
                                       + "\".\r\nPictures end in \".bmp\", in small letters."});

    std::filesystem::create_directory(folder.root / "shots.bmp.d");
    saveAs(folder.path("shots.bmp.d/one.png"));
    EXPECT_EQ(parseBmp(readBytes(folder.path("shots.bmp.d/one.png"))).width, 600);
}

TEST_F(PictureFileTest, SaveIntoMissingFolderSaysSoAndOverALargerFileLeavesOnlyThePicture)
{
    fake.persistent = true;
    saveAs(folder.path("gone/p.bmp"));
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_EQ(fake.messages,
              std::vector<std::string>{"Vantorel|Could not save the picture to \"" + folder.path("gone/p.bmp")
                                       + "\".\r\nThe folder does not exist."});

    writeBytes(folder.path("old.bmp"), std::string(2'000'000, 'x'));
    saveAs(folder.path("old.bmp"));
    EXPECT_EQ(std::filesystem::file_size(folder.path("old.bmp")), 54u + 600u * 3u * 500u);

    // A canvas that gives no bitmap never empties the old file.
    fake.encodeBmp = nullptr;
    saveAs(folder.path("old.bmp"));
    EXPECT_EQ(std::filesystem::file_size(folder.path("old.bmp")), 54u + 600u * 3u * 500u);
    EXPECT_EQ(fake.messages.back(), "Vantorel|Could not save the picture to \"" + folder.path("old.bmp")
                                        + "\".\r\nThe picture could not be turned into a bitmap.");
}

TEST_F(PictureFileTest, BitmapRowsArePaddedToFourBytesForEveryWidth)
{
    // Two rows, bottom row first; pixel (x, y) has red 0x10 + x, green 0x20 + y,
    // blue 0x30, stored blue, green, red, then zeros up to a multiple of 4.
    const std::string rows[] = {
        std::string("\x30\x21\x10"
                    "\0"
                    "\x30\x20\x10"
                    "\0",
                    8),
        std::string("\x30\x21\x10\x30\x21\x11"
                    "\0\0"
                    "\x30\x20\x10\x30\x20\x11"
                    "\0\0",
                    16),
        std::string("\x30\x21\x10\x30\x21\x11\x30\x21\x12"
                    "\0\0\0"
                    "\x30\x20\x10\x30\x20\x11\x30\x20\x12"
                    "\0\0\0",
                    24),
        std::string("\x30\x21\x10\x30\x21\x11\x30\x21\x12\x30\x21\x13"
                    "\x30\x20\x10\x30\x20\x11\x30\x20\x12\x30\x20\x13",
                    24),
    };
    for (int width = 1; width <= 4; ++width) {
        SCOPED_TRACE("width " + std::to_string(width));
        std::vector<std::int32_t> pixels;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back((0x10 + x) + 256 * (0x20 + y) + 65536 * 0x30);
        const std::string b = encodeBmp24(pixels, width, 2);
        const std::string& expected = rows[width - 1];
        EXPECT_EQ(b.size(), 54 + expected.size());
        EXPECT_EQ(le(b, 2, 4), 54 + expected.size());  // file size
        EXPECT_EQ(le(b, 10, 4), 54u);                  // pixels follow the headers
        EXPECT_EQ(le(b, 18, 4), static_cast<std::uint32_t>(width));
        EXPECT_EQ(le(b, 22, 4), 2u);
        EXPECT_EQ(le(b, 34, 4), expected.size());  // image size
        EXPECT_EQ(b.substr(54), expected);
    }
}

}  // namespace
}  // namespace vantorel::testing
