#include "archiver/common/ArchiverCommandLine.h"

#include "archiver/common/ArchiverError.h"

#include <algorithm>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) >= 0x01 && static_cast<unsigned char>(c) <= 0x20; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

[[noreturn]] void Refuse(const std::string& message) { throw TArchiverError(ArchiverBadCommandLine, message); }

} // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsMatchAllPattern(std::string_view pattern) { return pattern == "*" || pattern == "*.*"; }

std::vector<TArchiverToken> SplitArchiverCommandLine(std::string_view line)
{
    std::vector<TArchiverToken> tokens;
    size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size() || line[i] == '\0') break;
        TArchiverToken token;
        if (line[i] == '"') {
            token.Quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        token.Text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                token.Text += line[i++];
            }
            if (!closed) Refuse("コマンドラインの引用符が閉じていません: \"" + token.Text);
            // A quoted part runs on into unquoted text up to the next blank, as in "a"b.
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '"') token.Text += line[i++];
        } else {
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '"') token.Text += line[i++];
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

TArchiverCommandLine ParseArchiverCommandLine(std::string_view line, const TArchiverSyntax& syntax)
{
    const std::vector<TArchiverToken> tokens = SplitArchiverCommandLine(line);
    if (tokens.empty()) Refuse("コマンドが指定されていません");

    TArchiverCommandLine result;
    result.Command = tokens.front().Text;
    const bool known = std::any_of(syntax.Commands.begin(), syntax.Commands.end(),
                                   [&](const std::string& c) { return EqualsIgnoringAsciiCase(c, result.Command); });
    if (tokens.front().Quoted || !known) Refuse("対応していないコマンドです: " + result.Command);

    std::vector<std::string> arguments;
    for (size_t i = 1; i < tokens.size(); ++i) {
        const TArchiverToken& token = tokens[i];
        if (!token.Quoted && token.Text.size() > 1 && token.Text[0] == '-') {
            if (!syntax.IsSwitch || !syntax.IsSwitch(token.Text)) Refuse("不明なスイッチです: " + token.Text);
            result.Switches.push_back(token.Text);
        } else {
            arguments.push_back(token.Text);
        }
    }
    if (arguments.empty() || arguments[0].empty()) Refuse("書庫のパスが指定されていません");
    if (arguments.size() < 2 || arguments[1].empty()) Refuse("圧縮するフォルダが指定されていません");
    result.ArchivePath = arguments[0];
    result.BaseFolder = arguments[1];
    result.Patterns.assign(arguments.begin() + 2, arguments.end());
    for (const std::string& pattern : result.Patterns) {
        if (pattern.empty()) Refuse("ファイルの指定が空です");
    }
    if (result.Patterns.empty()) result.Patterns.push_back("*");
    return result;
}
