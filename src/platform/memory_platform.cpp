#include "platform/memory_platform.h"

#include "platform/pixel_box.h"

#include <algorithm>
#include <utility>

namespace vantorel {

MemoryPlatform::MemoryPlatform(int width, int height)
    : reportedHeight(height), width(width), height(height),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Background)
{
    // The values the scroll bars are created with.
    scrollValues[static_cast<int>(ScrollBar::itera)] = 1;
    scrollValues[static_cast<int>(ScrollBar::kstep)] = 15;
    scrollValues[static_cast<int>(ScrollBar::colourbar)] = 500;
}

void MemoryPlatform::canvasClear() { std::fill(pixels.begin(), pixels.end(), Background); }

void MemoryPlatform::fill(int x1, int y1, int x2, int y2, Colour colour)
{
    PixelBox box{x1, y1, x2, y2};
    if (!box.clipTo(width, height))
        return;
    for (int y = box.y1; y <= box.y2; ++y)
        std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + box.x1, box.x2 - box.x1 + 1, colour);
}

void MemoryPlatform::canvasSetPixel(int x, int y, Colour colour)
{
    ++setPixelCalls;
    if (x >= 0 && x < width && y >= 0 && y < height)
        pixels[static_cast<std::size_t>(y) * width + x] = colour;
}

void MemoryPlatform::canvasFillBox(int x1, int y1, int x2, int y2, Colour colour)
{
    ++fillBoxCalls;
    fill(x1, y1, x2, y2, colour);
}

void MemoryPlatform::canvasPaintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks)
{
    PixelBox box{};
    if (!columnBox(x, blockWidth, blockHeight, blocks, width, height, box)) {
        Platform::canvasPaintColumn(x, blockWidth, blockHeight, colours, blocks);
        return;
    }
    (blockHeight == 1 ? setPixelCalls : fillBoxCalls) += blocks;
    paintColumnInto(pixels.data(), width, box, blockHeight, colours, [](Colour c) { return c; });
}

void MemoryPlatform::canvasDrawBox(int x1, int y1, int x2, int y2, Colour colour)
{
    fill(x1, y1, x2, y1, colour);
    fill(x1, y2, x2, y2, colour);
    fill(x1, y1, x1, y2, colour);
    fill(x2, y1, x2, y2, colour);
}

std::string MemoryPlatform::canvasBmp()
{
    ++bitmapsTaken;
    return encodeBmp ? encodeBmp(pixels, width, height) : std::string();
}

void MemoryPlatform::showInformationWindow()
{
    ++informationWindowShows;
    if (informationWindowOpen)
        return;
    informationWindowOpen = true;
    if (onInformationWindowLoad)
        onInformationWindowLoad();
}

void MemoryPlatform::setCaption(Caption control, const std::string& text)
{
    captions[index(control)] = text;
    if (keepCaptionHistory)
        history[index(control)].push_back(text);
}

void MemoryPlatform::setScrollValue(ScrollBar bar, std::int16_t value)
{
    auto& current = scrollValues[static_cast<int>(bar)];
    if (current == value)
        return;
    current = value;
    if (onScrollBarChanged)
        onScrollBarChanged(bar);
}

int MemoryPlatform::pumpEvents(bool)
{
    ++pumps;
    // Copy the actions first: an action may schedule more or start a pass.
    auto range = scheduled.equal_range(pumps);
    std::vector<std::function<void()>> due;
    for (auto it = range.first; it != range.second; ++it)
        due.push_back(it->second);
    scheduled.erase(range.first, range.second);
    for (auto& action : due)
        action();
    if (onEveryPump)
        onEveryPump();
    return openWindows;
}

void MemoryPlatform::atPump(long pumpNumber, std::function<void()> action)
{
    scheduled.emplace(pumpNumber, std::move(action));
}

std::int32_t MemoryPlatform::tickCount()
{
    if (clock)
        return clock();
    const std::int32_t now = ticks;
    ticks = static_cast<std::int32_t>(static_cast<std::uint32_t>(ticks) + static_cast<std::uint32_t>(tickStep));
    return now;
}

void MemoryPlatform::quit()
{
    openWindows = 0;
    throw ProgramEnded();
}

std::string MemoryPlatform::showSaveDialog(const std::string& filter, const std::string& defaultExtension,
                                           const std::string& startFolder)
{
    dialogRequests.push_back("save|" + filter + "|" + defaultExtension + "|" + startFolder);
    return saveDialogAnswer;
}

std::string MemoryPlatform::showOpenDialog(const std::string& filter, const std::string& startFolder)
{
    dialogRequests.push_back("open|" + filter + "|" + startFolder);
    return openDialogAnswer;
}

void MemoryPlatform::messageBox(const std::string& text, const std::string& title)
{
    messages.push_back(title + "|" + text);
}

bool MemoryPlatform::askYesNo(const std::string& text, const std::string& title)
{
    messages.push_back(title + "|" + text);
    return yesNoAnswer;
}

}  // namespace vantorel
