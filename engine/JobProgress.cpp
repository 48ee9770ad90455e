#include "engine/JobProgress.h"

#include <initializer_list>
#include <string_view>

namespace {

// Before this, an estimate swings too much to be worth reading.
constexpr uint64_t EstimateAfterMs = 2000;

std::string Number(uint64_t value) { return std::to_string(value); }

// The texts are built by appending: GCC 12 warns wrongly about a literal put in
// front of a string (-Wrestrict).
std::string Join(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces) text.append(piece);
    return text;
}

} // namespace

std::string ByteSizeText(uint64_t bytes)
{
    struct TUnit {
        uint64_t Size;
        const char* Name;
    };
    static constexpr TUnit Units[] = {{1000000000ULL, " GB"}, {1000000ULL, " MB"}, {1000ULL, " KB"}};
    for (const TUnit& unit : Units) {
        // The next smaller unit would show 1000.00 or more: 999,995 bytes read "1.00 MB".
        if (bytes < unit.Size - unit.Size / 200000) continue;
        const uint64_t hundredths = bytes / (unit.Size / 100) + (bytes % (unit.Size / 100) >= unit.Size / 200 ? 1 : 0);
        const uint64_t fraction = hundredths % 100;
        return Join({Number(hundredths / 100), ".", fraction < 10 ? "0" : "", Number(fraction), unit.Name});
    }
    return Join({Number(bytes), " B"});
}

std::string TimeLeftText(uint64_t milliseconds)
{
    const uint64_t seconds = (milliseconds + 999) / 1000;
    if (seconds < 60) return Join({"残り 約", Number(seconds == 0 ? 1 : seconds), "秒"});
    const uint64_t minutes = (seconds + 30) / 60;
    if (minutes < 60) return Join({"残り 約", Number(minutes), "分"});
    return Join({"残り 約", Number(minutes / 60), "時間", Number(minutes % 60), "分"});
}

bool EstimateTimeLeft(const TJobProgress& progress, uint64_t& milliseconds)
{
    if (progress.Ended || progress.Total == 0 || progress.ElapsedMs < EstimateAfterMs) return false;
    // In thousandths of a folder, the one in hand counted by its archiver's report.
    const uint64_t total = static_cast<uint64_t>(progress.Total) * 1000;
    uint64_t done = static_cast<uint64_t>(progress.Done) * 1000;
    if (progress.FolderPermille > 0 && progress.Done < progress.Total) done += static_cast<uint64_t>(progress.FolderPermille);
    if (done == 0 || done > total) return false;
    milliseconds = static_cast<uint64_t>(static_cast<double>(progress.ElapsedMs) * static_cast<double>(total - done) /
                                         static_cast<double>(done));
    return true;
}

std::string JobProgressText(const TJobProgress& progress) { return JobProgressTexts(progress).front(); }

std::vector<std::string> JobProgressTexts(const TJobProgress& progress)
{
    if (progress.Ended && progress.Kind == TProgressKind::Find)
        return {Join({"フォルダ ", Number(progress.Done), " 圧縮できる ", Number(progress.Fit)})};
    if (progress.Ended) {
        const std::string counts = Join({"成功 ", Number(progress.Succeeded), " 失敗 ", Number(progress.Failed),
                                         " 残り ", Number(progress.Left)});
        const std::string sizes =
            Join({counts, " | ", ByteSizeText(progress.BytesBefore), " → ", ByteSizeText(progress.BytesAfter)});
        const std::string later =
            progress.Later > 0 ? Join({" | 圧縮中にチェックした ", Number(progress.Later), " 個は次回の圧縮で"}) : "";
        // The record's name goes first (the file menu opens it), then the sizes; a
        // record that could not be written, and the folders left for the next job,
        // are said to the last.
        if (progress.RecordFailed) {
            return {Join({sizes, " | 記録を書けません: ", progress.RecordName, later}),
                    Join({sizes, " | 記録を書けません", later}), Join({counts, " | 記録を書けません", later})};
        }
        if (!progress.RecordName.empty())
            return {Join({sizes, " | 記録 ", progress.RecordName, later}), Join({sizes, later}), Join({counts, later})};
        return {Join({sizes, later}), Join({counts, later})};
    }
    std::string text = Join({Number(progress.Done), " / ", Number(progress.Total)});
    if (progress.FolderPermille >= 0)
        text.append(Join({" ", Number(static_cast<unsigned>(progress.FolderPermille) / 10), "%"}));
    uint64_t left = 0;
    if (EstimateTimeLeft(progress, left)) text.append(" ").append(TimeLeftText(left));
    return {text};
}
