#pragma once
// What the find knew of each page it read and found whole: the file's identity
// (the volume's serial and the file's index), its size, its last write time and
// its change time. At F8 a page whose stamp still matches is the very file,
// unchanged, and is not read again. The change time is the one a user cannot set
// back: a page deleted and written anew may get the old index back (ext4 hands a
// freed inode out again) and its write time back (`touch -r`), never that.
#include "pages/ImageCheck.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TPageStamp {
    std::string Path;  // inside the folder, as listed: "01.jpg", "sub\\01.jpg"
    uint64_t Index = 0;
    uint64_t Size = 0;
    uint64_t LastWriteTime = 0;
    uint64_t ChangeTime = 0;

    bool SameFile(const TPageStamp& other) const
    {
        return Index == other.Index && Size == other.Size && LastWriteTime == other.LastWriteTime &&
               ChangeTime == other.ChangeTime;
    }
};

class TPageStamps {
public:
    // The pages of one folder, all on the volume with that serial.
    TPageStamps(TCheckDepth depth, uint32_t volume, std::vector<TPageStamp> pages);

    // The page's stamp when it was found whole on that volume at the depth wanted
    // or deeper; null otherwise (a quick check proves nothing about a deep one).
    const TPageStamp* Find(std::string_view path, uint32_t volume, TCheckDepth wanted) const;

private:
    TCheckDepth Depth;
    uint32_t Volume;
    std::vector<TPageStamp> Pages;  // sorted by Path
};
