#pragma once
// How far a job has come, and the short text the window shows for it at the
// right end of its status bar: "12 / 300" with the time left while it runs, the
// counts at its end. UTF-8, as every text of the program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TProgressKind { Find, Compress };

struct TJobProgress {
    TProgressKind Kind = TProgressKind::Find;
    bool Ended = false;
    size_t Done = 0;    // folders finished (the find: folders examined)
    size_t Total = 0;   // folders in the job
    // The folder in hand, in thousandths, as its archiver reports it; -1 when it does not.
    int FolderPermille = -1;
    uint64_t ElapsedMs = 0;

    // The find: the folders that can be archived.
    size_t Fit = 0;
    // The compression: folders archived, failed, and checked ones not tried (a stop).
    size_t Succeeded = 0;
    size_t Failed = 0;
    size_t Left = 0;
    // Rows checked while the compression ran: not its to take, they wait for the next.
    size_t Later = 0;
    // The files of the folders archived, and their archives.
    uint64_t BytesBefore = 0;
    uint64_t BytesAfter = 0;
    // The compression's record: its file name once a line went in, and whether a line could not.
    std::string RecordName;
    bool RecordFailed = false;
};

// "1.40 GB", "12.00 MB", "3.50 KB" (1 KB = 1000 bytes), "512 B".
std::string ByteSizeText(uint64_t bytes);

// "残り 約40秒", "残り 約3分", "残り 約2時間5分".
std::string TimeLeftText(uint64_t milliseconds);

// The time the rest of a running job should take, judged from the part done so
// far; false while too little is done or too little time has passed to say.
bool EstimateTimeLeft(const TJobProgress& progress, uint64_t& milliseconds);

// While the job runs: "12 / 300", the folder's percentage when known ("12 / 300 45%"),
// and the time left once it can be estimated. At the end of a find: "フォルダ 300
// 圧縮できる 283"; of a compression: "成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB",
// and where its record is ("| 記録 fennoro-log.csv") or that it could not be written;
// rows checked while it ran, left for the next: "| 圧縮中にチェックした 2 個は次回の圧縮で".
std::string JobProgressText(const TJobProgress& progress);

// The same text and shorter forms of it, fullest first, for a status bar too
// narrow for it: the end of a compression leaves out the record's name, then
// the sizes.
std::vector<std::string> JobProgressTexts(const TJobProgress& progress);
