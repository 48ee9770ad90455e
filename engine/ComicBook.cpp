#include "engine/ComicBook.h"

#include "pages/ImageCheck.h"
#include "engine/VolumeName.h"

#include <algorithm>

namespace {

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return lower;
}

std::string Extension(std::string_view name)
{
    const size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : LowerAscii(name.substr(dot));
}

} // namespace

bool WantsComicInfo(const TComicInfoOptions& options, std::string_view archiveExtension)
{
    const std::string extension = LowerAscii(archiveExtension);
    switch (options.Mode) {
    case TComicInfoMode::None: return false;
    case TComicInfoMode::CbzOnly: return extension == ".cbz";
    case TComicInfoMode::EveryFormat: break;
    }
    // A compressor of one stream holds no second file.
    static const char* const oneStream[] = {".gz", ".bz2", ".xz", ".lzma", ".z", ".zst", ".lz", ".lz4", ".br"};
    return std::none_of(std::begin(oneStream), std::end(oneStream), [&](const char* e) { return extension == e; });
}

bool IsComicImageName(std::string_view fileName)
{
    if (ImageKindOf(fileName) != TImageKind::None) return true;
    static const char* const others[] = {".webp", ".avif", ".jxl", ".tif", ".tiff", ".heic", ".heif"};
    const std::string extension = Extension(fileName);
    return std::any_of(std::begin(others), std::end(others), [&](const char* e) { return extension == e; });
}

TComicInfo ComicBookInfo(std::string_view rowName, std::vector<TComicPage> pages, const TComicInfoOptions& options)
{
    TVolumeName name = ParseVolumeName(rowName);
    TComicInfo info;
    info.Title = std::move(name.Title);
    info.Series = std::move(name.Series);
    info.Volume = name.Volume;
    info.LanguageISO = options.LanguageISO;
    info.RightToLeft = options.RightToLeft;
    info.Pages = std::move(pages);
    return info;
}
