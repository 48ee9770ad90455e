#pragma once
// The numbered-sequence check of one folder's file names: one prefix, one number
// field of fixed width, nothing after it and, unless gaps are tolerated,
// consecutive numbers.
#include <functional>
#include <string>
#include <vector>

// names: the folder's file names (no path), at least one, ascending without regard
// to case. Returns true when they form one sequence; otherwise sets the verdict's
// result and remark texts. stopRequested is asked before each name's shape check.
// Numbers are compared on their digit strings, so any width is exact.
bool CheckNumbering(const std::vector<std::string>& names, bool numberedAbout,
                    const std::function<bool()>& stopRequested, std::string& resultText, std::string& remarkText);
