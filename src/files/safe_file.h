#pragma once
// Whole-file reads and writes for the file commands. Writes never leave a
// half-written file behind: the bytes go to a temporary file in the target's
// folder, which is then renamed over the target in one step.

#include <cstddef>
#include <optional>
#include <string>

namespace vantorel {

// Whether a replaced file is forced onto the disk before it takes the old
// one's name, so that even a power cut leaves the old file or the new one.
// The program's own saves do; a tool whose output can simply be made again
// may skip the wait for the disk (which can take longer than its picture).
enum class Durability { Synced, Unsynced };

// Replaces the file at path with exactly these bytes. False when anything
// fails; the target is then as it was and no temporary file is left over.
// Never creates a folder.
bool replaceFileContents(const std::string& path, const void* data, std::size_t size,
                         Durability durability = Durability::Synced);

// Reads the first `count` bytes of an existing file. Nothing when the file is
// missing, cannot be read or is shorter. Never creates the file.
std::optional<std::string> readFilePrefix(const std::string& path, std::size_t count);

// Reads a whole existing file as raw bytes. Nothing when it is missing or
// cannot be read. Never creates the file.
std::optional<std::string> readWholeFile(const std::string& path);

} // namespace vantorel
