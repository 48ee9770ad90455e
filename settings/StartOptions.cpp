#include "settings/StartOptions.h"

#include <algorithm>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

} // namespace

std::vector<std::string> SplitCommandLineArguments(std::string_view line)
{
    size_t i = 0;
    // The program's name: up to the next quote when quoted, else to the first blank;
    // backslashes mean nothing in it.
    if (i < line.size() && line[i] == '"') {
        const size_t close = line.find('"', i + 1);
        i = close == std::string_view::npos ? line.size() : close + 1;
    }
    while (i < line.size() && !IsBlank(line[i])) ++i;

    std::vector<std::string> arguments;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string argument;
        // 0 outside quotes, 1 inside; the quote counting of CommandLineToArgvW.
        int quotes = 0;
        while (i < line.size() && !(IsBlank(line[i]) && quotes == 0)) {
            if (line[i] == '\\') {
                size_t run = 0;
                while (i + run < line.size() && line[i + run] == '\\') ++run;
                const size_t after = i + run;
                if (after >= line.size() || line[after] != '"') {
                    argument.append(run, '\\');
                    i = after;
                    continue;
                }
                const bool closesArgument =
                    quotes == 1 && (after + 1 >= line.size() || IsBlank(line[after + 1]));
                if (run % 2 == 1 && closesArgument) {
                    // "C:\books\": the folder's trailing backslash, then the closing quote.
                    argument.append(run, '\\');
                    i = after + 1;
                    quotes = 0;
                    continue;
                }
                argument.append(run / 2, '\\');
                i = after;
                if (run % 2 == 1) {
                    argument += '"';
                    ++i;
                    continue;
                }
                // An even run: the quote below opens or closes.
            }
            if (line[i] == '"') {
                ++quotes;
                ++i;
                while (i < line.size() && line[i] == '"') {
                    if (++quotes == 3) {
                        argument += '"';
                        quotes = 0;
                    }
                    ++i;
                }
                if (quotes == 2) quotes = 0;
                continue;
            }
            argument += line[i++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string PlainFolderText(std::string_view argument)
{
    std::string path(argument);
    std::replace(path.begin(), path.end(), '/', '\\');
    if (StartsWithNoCase(path, "\\\\?\\unc\\")) {
        path = "\\\\" + path.substr(8);
    } else if (path.rfind("\\\\?\\", 0) == 0) {
        path.erase(0, 4);
    }
    while (path.size() > 1 && path.back() == '\\' && path != "\\\\") path.pop_back();
    if (path.size() == 2 && path[1] == ':') path += '\\';
    return path;
}

TStartOptions ParseStartOptions(std::string_view commandLine)
{
    TStartOptions options;
    std::vector<std::string> seen;
    for (const std::string& argument : SplitCommandLineArguments(commandLine)) {
        // An empty argument ("") names nothing.
        if (argument.empty()) continue;
        if (argument[0] == '/' || argument[0] == '-') {
            const std::string name = AsciiLower(argument.substr(1));
            if (name == "compress") {
                options.Compress = true;
            } else if (name == "recycle") {
                options.Recycle = true;
            } else if (name == "keep") {
                options.Keep = true;
            } else if (name == "exit") {
                options.Exit = true;
            } else if (name == "?" || name == "h" || name == "help") {
                options.Help = true;
            } else if (name.rfind("format:", 0) == 0 && name.size() > 7) {
                std::string format = argument.substr(8);
                if (format[0] != '.') format.insert(0, 1, '.');
                options.Format = format;
            } else if (name == "format" || name == "format:") {
                options.Errors.push_back("圧縮形式が指定されていません: " + argument);
            } else {
                options.Errors.push_back("不明なスイッチです: " + argument);
            }
            continue;
        }
        std::string folder = PlainFolderText(argument);
        // A wildcard would let the file system pick some other entry.
        if (folder.find_first_of("*?\"<>|") != std::string::npos) {
            options.Errors.push_back("フォルダ名として使えません: " + argument);
            continue;
        }
        std::string key = AsciiLower(folder);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(std::move(key));
        options.Folders.push_back(std::move(folder));
    }
    options.FoldersNamed = options.Folders.size();
    if (options.Recycle && options.Keep) options.Errors.push_back("/recycle と /keep は同時に指定できません");
    return options;
}

std::string StartOptionsUsage()
{
    return "使い方: fennoro.exe [フォルダ...] [スイッチ...]\r\n"
           "\r\n"
           "フォルダが 1 つ: その下のフォルダを検索します。\r\n"
           "フォルダが 2 つ以上: そのフォルダだけを一覧に並べ、それぞれをその場所で圧縮します。\r\n"
           "\r\n"
           "/compress\t検索の後で圧縮する\r\n"
           "/recycle\tフォルダ削除がオンのとき、圧縮したフォルダをごみ箱に移す\r\n"
           "/keep\tフォルダ削除がオンのとき、フォルダを残す\r\n"
           "/format:.zip\tこの回の圧縮形式 (圧縮形式メニューの拡張子)\r\n"
           "/exit\t処理が終わったら終了する\r\n"
           "/?\tこの説明\r\n"
           "\r\n"
           "/compress と /exit を共に指定すると、メッセージを出さずに動きます。\r\n"
           "設定ファイルは変更しません。\r\n"
           "\r\n"
           "終了コード: 0 チェックしたフォルダをすべて圧縮した / 1 失敗または中止 / 2 引数の誤り";
}
