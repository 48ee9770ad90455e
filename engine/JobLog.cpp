#include "engine/JobLog.h"

namespace {

void AppendText(std::string& line, const std::string& text)
{
    line += '"';
    // A spreadsheet takes a text that starts like a formula for one (a tab or a
    // carriage return in front of the sign too): the apostrophe keeps it a text.
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@' || text[0] == '\t' ||
                          text[0] == '\r'))
        line += '\'';
    for (const char c : text) {
        // A line of the record is one folder: a line break inside a remark becomes a blank.
        if (c == '\r' || c == '\n') {
            line += ' ';
            continue;
        }
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

std::string JobLogHeader()
{
    return "\xEF\xBB\xBF"
           "日時,フォルダ,書庫,ファイル数,圧縮前(バイト),圧縮後(バイト),結果,備考,ごみ箱\r\n";
}

std::string JobLogLine(const TJobLogEntry& entry)
{
    std::string line;
    AppendText(line, entry.Time);
    line += ',';
    AppendText(line, entry.Folder);
    line += ',';
    AppendText(line, entry.Archive);
    line += ',';
    if (entry.Files >= 0) line += std::to_string(entry.Files);
    line += ',';
    if (entry.Files >= 0) line += std::to_string(entry.BytesBefore);
    line += ',';
    if (entry.Files >= 0) line += std::to_string(entry.BytesAfter);
    line += ',';
    AppendText(line, entry.Result);
    line += ',';
    AppendText(line, entry.Remark);
    line += ',';
    line += entry.Recycled ? "はい" : "いいえ";
    line += "\r\n";
    return line;
}
