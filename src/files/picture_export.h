#pragma once
// Pictures of any size into files: PNG or BMP by the name's extension, and
// the counts the pixels were painted with as a NumPy array. Every file is
// streamed row by row beside its target and put in place only when all of
// them are complete: a failure or a cancel leaves no file and no temporary
// file behind. The headless renderer and the window's export both use it.

#include "core/picture_engine.h"

#include <optional>
#include <string>

namespace vantorel {

enum class PictureFormat { Png, Bmp };

// By the name's extension, ".png" or ".bmp" in any case; nothing for another.
std::optional<PictureFormat> pictureFormatFor(const std::string& path);

// Why a picture of this size cannot be written in this format, in plain
// words (a BMP file states its size in 32 bits: at most 4 GiB), or empty.
std::string pictureSizeProblem(PictureFormat format, int width, int height);

struct ExportTargets {
    std::string picture;  // .png or .bmp; may be empty when counts is not
    std::string counts;   // .npy: int16 little-endian, shape (height, width), rows in order; may be empty
};

struct ExportResult {
    PictureEnd end = PictureEnd::Complete;
    std::string file;     // the file a problem is about
    std::string problem;  // empty when every file was written (or the export was cancelled)
};

// Draws the picture and writes it. A problem with a target (a missing
// folder, no permission) is found before any counting.
ExportResult exportPicture(const PictureSettings& settings, const PixelCountSource& source,
                           const ExportTargets& targets, const PictureControl& control = {});

// The files for a picture drawn some other way (a pass stopped after some
// stages), given its rows top to bottom; `rowAt(y)` gives row y's colours.
// No counts file.
ExportResult writePictureRows(const std::string& path, int width, int height,
                              const std::function<const Colour*(int y)>& rowAt);

}  // namespace vantorel
