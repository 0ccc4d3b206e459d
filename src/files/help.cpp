#include "files/help.h"

#include "core/state.h"
#include "files/safe_file.h"
#include "platform/platform.h"

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace vantorel {
namespace {

// The text box leaves room for the window's frame, caption and margins.
constexpr double TextBoxWidthMarginTwips = 250;
constexpr double TextBoxHeightMarginTwips = 600;

int twipsToInt(double twips)
{
    if (!std::isfinite(twips) || twips < 0)
        return 0;
    if (twips > 1e9)
        return 1000000000;
    return static_cast<int>(std::nearbyint(twips));
}

// Turns a folder into the path of a local file URL, keeping the characters
// that need no escaping and percent-encoding every other byte.
std::string fileUrl(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
                           || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url.push_back(ch);
        } else {
            url.push_back('%');
            url.push_back(hex[c >> 4]);
            url.push_back(hex[c & 15]);
        }
    }
    return url;
}

// Where a file shipped with the program is: beside it (the build tree, a copy
// of its own), else where the install rules put it (`fromBin`, the way from
// the program's folder), so that any install prefix works.
std::vector<std::string> shippedFileCandidates(const std::string& name, const char* fromBin)
{
    const std::string folder = platform().applicationFolder();
    const auto installed = std::filesystem::path(folder + "/" + fromBin + "/" + name).lexically_normal();
    return {folder + "/" + name, installed.string()};
}

}  // namespace

void mnumandel_Click()
{
    state.infoFileName = "info";
    platform().showInformationWindow();
}

void howto_Click()
{
    state.infoFileName = "howto";
    platform().showInformationWindow();
}

void Form2_Load()
{
    Platform& p = platform();
    p.setInformationTextBoxSize(twipsToInt(p.informationWindowOuterWidthTwips() - TextBoxWidthMarginTwips),
                                twipsToInt(p.informationWindowOuterHeightTwips() - TextBoxHeightMarginTwips));
    std::string name;
    if (state.infoFileName == "info")
        name = "mandelbrotinfo.txt";
    else if (state.infoFileName == "howto")
        name = "mandelhowto.txt";
    // The bytes go in unchanged, line breaks included. A help text that is
    // missing or unreadable leaves the window empty; it is never created.
    std::optional<std::string> text;
    if (!name.empty())
        for (const std::string& candidate : shippedFileCandidates(name, VANTOREL_SHARE_FROM_BIN))
            if ((text = readWholeFile(candidate)))
                break;
    p.setInformationText(text.value_or(std::string()));
}

std::string homePageAddress()
{
    // The README is a document of the installed package, kept with its licence.
    const std::vector<std::string> candidates = shippedFileCandidates("README.md", VANTOREL_DOC_FROM_BIN);
    for (const std::string& candidate : candidates)
        if (::access(candidate.c_str(), R_OK) == 0)
            return fileUrl(candidate);
    return fileUrl(candidates.front());
}

std::string aboutText()
{
    return " Vantorel\r\n"
           " Version 1.0\r\n"
           "\r\n"
           " Thanks to Benoit Mandelbrot, after whom the set is named, and to all who explored it since.\r\n"
           " Thanks to Robert P. Munafo's Mandelbrot Set Glossary and Encyclopedia (mrob.com)"
           " for its article on successive refinement.\r\n"
           " Thanks to the Qt Project for the Qt toolkit.\r\n"
           "\r\n"
           "Click YES to close, click NO to visit the official site (updates, other programs...)?";
}

void mnuabout_Click()
{
    Platform& p = platform();
    if (!p.askYesNo(aboutText(), "About Vantorel"))
        p.openAddress(homePageAddress());
}

}  // namespace vantorel
