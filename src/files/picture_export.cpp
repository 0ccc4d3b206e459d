#include "files/picture_export.h"

#include "files/bmp_file.h"
#include "files/safe_file.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <csetjmp>
#include <memory>
#include <vector>

namespace vantorel {
namespace {

// One file of the picture, rows top to bottom.
class RowFile {
public:
    explicit RowFile(const std::string& path) : file(path, Durability::Unsynced) {}
    virtual ~RowFile() = default;
    virtual bool begin() = 0;
    virtual bool row(int y, const Colour* colours, const std::int16_t* counts) = 0;
    virtual bool end() = 0;
    ReplacingFile file;
};

// 24-bit RGB through libpng, a row at a time as the rows come. libpng reports
// its errors by a jump back to the call that made them, so each call of it
// sits alone in a function with a jump target and nothing to destroy.
class PngFile final : public RowFile {
public:
    PngFile(const std::string& path, int width, int height) : RowFile(path), width(width), height(height)
    {
        rgb.resize(static_cast<std::size_t>(width) * 3);
    }
    ~PngFile() override { png_destroy_write_struct(&png, &info); }

    bool begin() override
    {
        if (!file.problem().empty())
            return false;
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &PngFile::onError, &PngFile::onWarning);
        if (!png || !(info = png_create_info_struct(png)))
            return false;
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_set_write_fn(png, this, &PngFile::onWrite, &PngFile::onFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        // The fastest compression keeps the one writing thread ahead of the
        // counting threads; the wide bands of one colour still pack well (a
        // default 7680 x 4320 picture takes about 2 MB).
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
        png_write_info(png, info);
        return true;
    }
    bool row(int, const Colour* colours, const std::int16_t*) override
    {
        for (int x = 0; x < width; ++x) {
            const auto c = static_cast<std::uint32_t>(colours[x]);
            rgb[3 * x] = static_cast<png_byte>(c & 0xff);
            rgb[3 * x + 1] = static_cast<png_byte>((c >> 8) & 0xff);
            rgb[3 * x + 2] = static_cast<png_byte>((c >> 16) & 0xff);
        }
        return writeRow();
    }
    bool end() override
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_write_end(png, nullptr);
        return true;
    }

private:
    bool writeRow()
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_write_row(png, rgb.data());
        return true;
    }
    static void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    static void onWarning(png_structp, png_const_charp) {}
    static void onWrite(png_structp png, png_bytep data, png_size_t size)
    {
        auto* self = static_cast<PngFile*>(png_get_io_ptr(png));
        if (!self->file.write(data, size))
            png_error(png, "write");
    }
    static void onFlush(png_structp) {}

    int width, height;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_byte> rgb;
};

// Rows stored bottom-up, each written at its place as it comes.
class BmpFile final : public RowFile {
public:
    BmpFile(const std::string& path, int width, int height)
        : RowFile(path), width(width), height(height), bytes(bmp24RowSize(width))
    {
    }
    bool begin() override
    {
        unsigned char header[Bmp24HeaderSize];
        return bmp24Header(width, height, header) && file.write(header, sizeof header);
    }
    bool row(int y, const Colour* colours, const std::int16_t*) override
    {
        bmp24Row(colours, width, bytes.data());
        return file.writeAt(bmp24RowOffset(width, height, y), bytes.data(), bytes.size());
    }
    bool end() override { return true; }

private:
    int width, height;
    std::vector<unsigned char> bytes;
};

// NumPy's .npy format, version 1.0: a header of a Python dict literal padded
// with spaces to a multiple of 64 bytes and ending in a newline, then the
// values in C order.
class NpyFile final : public RowFile {
public:
    NpyFile(const std::string& path, int width, int height) : RowFile(path), width(width), height(height) {}
    bool begin() override
    {
        std::string dict = "{'descr': '<i2', 'fortran_order': False, 'shape': (" + std::to_string(height) + ", "
                           + std::to_string(width) + "), }";
        const std::size_t unpadded = 10 + dict.size() + 1;
        dict.append((64 - unpadded % 64) % 64, ' ');
        dict += '\n';
        std::string header = std::string("\x93NUMPY\x01\x00", 8);
        header += static_cast<char>(dict.size() & 0xff);
        header += static_cast<char>(dict.size() >> 8);
        header += dict;
        return file.write(header.data(), header.size());
    }
    bool row(int, const Colour*, const std::int16_t* counts) override
    {
        static_assert(std::endian::native == std::endian::little, "counts are written as they lie in memory");
        return file.write(counts, static_cast<std::size_t>(width) * sizeof(std::int16_t));
    }
    bool end() override { return true; }

private:
    int width, height;
};

std::string lowerExtension(const std::string& path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

struct Files : PictureRows {
    std::vector<std::unique_ptr<RowFile>> files;
    std::vector<std::string> paths;
    RowFile* failed = nullptr;
    std::string failedPath;

    void add(std::unique_ptr<RowFile> f, const std::string& path)
    {
        files.push_back(std::move(f));
        paths.push_back(path);
    }
    bool check(std::size_t i, bool ok)
    {
        if (!ok && !failed) {
            failed = files[i].get();
            failedPath = paths[i];
        }
        return ok;
    }
    bool begin()
    {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (!check(i, files[i]->file.problem().empty() && files[i]->begin()))
                return false;
        return true;
    }
    bool takeRow(int y, const Colour* colours, const std::int16_t* counts) override
    {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (!check(i, files[i]->row(y, colours, counts)))
                return false;
        return true;
    }
    ExportResult finish(PictureEnd end)
    {
        ExportResult result;
        result.end = end;
        if (end == PictureEnd::Complete) {
            for (std::size_t i = 0; i < files.size() && !failed; ++i)
                check(i, files[i]->end());
            // Put in place only once every file is whole.
            for (std::size_t i = 0; i < files.size() && !failed; ++i)
                check(i, files[i]->file.commit().empty());
        }
        if (failed) {
            result.end = PictureEnd::Stopped;
            result.file = failedPath;
            result.problem = failed->file.problem();
            if (result.problem.empty())
                result.problem = "The picture could not be encoded.";
        }
        // A file not put in place is removed when it goes out of scope.
        return result;
    }
};

std::unique_ptr<RowFile> pictureFile(const std::string& path, int width, int height)
{
    if (pictureFormatFor(path) == PictureFormat::Bmp)
        return std::make_unique<BmpFile>(path, width, height);
    return std::make_unique<PngFile>(path, width, height);
}

}  // namespace

std::optional<PictureFormat> pictureFormatFor(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    if (extension == "png")
        return PictureFormat::Png;
    if (extension == "bmp")
        return PictureFormat::Bmp;
    return std::nullopt;
}

std::string pictureSizeProblem(PictureFormat format, int width, int height)
{
    unsigned char header[Bmp24HeaderSize];
    if (format == PictureFormat::Bmp && !bmp24Header(width, height, header))
        return "A BMP file holds at most 4 GiB, too little for " + std::to_string(width) + " x "
               + std::to_string(height) + " pixels; PNG holds any size.";
    return {};
}

ExportResult exportPicture(const PictureSettings& settings, const PixelCountSource& source,
                           const ExportTargets& targets, const PictureControl& control)
{
    Files files;
    if (!targets.picture.empty())
        files.add(pictureFile(targets.picture, settings.width, settings.height), targets.picture);
    if (!targets.counts.empty())
        files.add(std::make_unique<NpyFile>(targets.counts, settings.width, settings.height), targets.counts);
    if (!files.begin())
        return files.finish(PictureEnd::Stopped);
    return files.finish(drawPicture(settings, source, files, control));
}

ExportResult writePictureRows(const std::string& path, int width, int height,
                              const std::function<const Colour*(int y)>& rowAt)
{
    Files files;
    files.add(pictureFile(path, width, height), path);
    if (!files.begin())
        return files.finish(PictureEnd::Stopped);
    for (int y = 0; y < height; ++y)
        if (!files.takeRow(y, rowAt(y), nullptr))
            return files.finish(PictureEnd::Stopped);
    return files.finish(PictureEnd::Complete);
}

}  // namespace vantorel
