#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <algorithm>

EngineTestOwner::EngineTestOwner(bool withWindow)
{
    if (withWindow) {
        Window = CreateWindowExA(0, "STATIC", "Fennoro", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
}

EngineTestOwner::~EngineTestOwner()
{
    if (Window) DestroyWindow(Window);
}

void EngineTestOwner::DisplayStatus(const std::string& text)
{
    Called("DisplayStatus");
    Statuses.push_back(text);
    if (OnStatus) OnStatus(text);
}

void EngineTestOwner::RemoveAllRows()
{
    Called("RemoveAllRows");
    Rows.clear();
    ++Clears;
}

void EngineTestOwner::AddRow(const FolderRow& row)
{
    Called("AddRow");
    Rows.push_back(std::make_unique<FolderRow>(row));
    if (OnAppend) OnAppend(*Rows.back());
}

void EngineTestOwner::RedrawRow(const FolderRow& row)
{
    Called("RedrawRow");
    const bool known = std::any_of(Rows.begin(), Rows.end(), [&](const auto& held) { return held.get() == &row; });
    EXPECT_TRUE(known) << "a changed row that is not in the list";
    Changed.push_back(row.Name);
}

FolderRow& EngineTestOwner::Add(const std::string& parentPath, const std::string& name, bool checked,
                                FolderCompressState state)
{
    auto row = std::make_unique<FolderRow>();
    row->Name = name;
    row->ParentPath = parentPath;
    row->Result = "+圧縮できます";
    row->Checked = checked;
    row->CompressState = state;
    Rows.push_back(std::move(row));
    return *Rows.back();
}

const FolderRow& EngineTestOwner::Row(const std::string& name) const
{
    for (const auto& row : Rows) {
        if (RowCaption(*row) == name) return *row;
    }
    ADD_FAILURE() << "no row named " << name;
    static const FolderRow none;
    return none;
}

void EngineTestOwner::ReverseOrder() { std::reverse(Rows.begin(), Rows.end()); }
