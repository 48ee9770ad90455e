#pragma once
// What the find knew of each page it read and found whole: the file's identity
// (volume serial and file index), its size and its last write time. At F8 a page
// whose stamp still matches is the very file, unchanged, and is not read again.
#include "engine/ImageCheck.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TPageStamp {
    std::string Path;  // inside the folder, as listed: "01.jpg", "sub\\01.jpg"
    uint32_t Volume = 0;
    uint64_t Index = 0;
    uint64_t Size = 0;
    uint64_t LastWriteTime = 0;

    bool SameFile(const TPageStamp& other) const
    {
        return Volume == other.Volume && Index == other.Index && Size == other.Size &&
               LastWriteTime == other.LastWriteTime;
    }
};

class TPageStamps {
public:
    TPageStamps(TCheckDepth depth, std::vector<TPageStamp> pages);

    // The page's stamp when it was found whole at the depth wanted or deeper; null
    // otherwise (a quick check proves nothing about a deep one).
    const TPageStamp* Find(std::string_view path, TCheckDepth wanted) const;

    size_t Count() const { return Pages.size(); }

private:
    TCheckDepth Depth;
    std::vector<TPageStamp> Pages;  // sorted by Path
};
