#include "pages/ImageCheckRemark.h"

std::string DamagedPageRemark(std::string_view name, const TPageVerdict& verdict)
{
    std::string remark(name);
    const char* words = nullptr;
    switch (verdict.Fault) {
    case TPageFault::None: return remark;
    case TPageFault::Empty: words = "空のファイルです"; break;
    case TPageFault::CutShort: words = "途中で切れています"; break;
    case TPageFault::WrongKind: words = "JPEG・PNG・GIF・BMPのどれでもありません"; break;
    case TPageFault::Unreadable: words = "読み取れません"; break;
    case TPageFault::Damaged:
        if (verdict.Offset == TPageVerdict::NoOffset) {
            words = "データが壊れています";
            break;
        }
        // Byte positions as a user counts them, from 1.
        return remark + " " + std::to_string(verdict.Offset + 1) + " バイト目付近のデータが壊れています";
    }
    return remark + " " + words;
}
