// The kind-specific content of upgrade and patch tasks.
#include "InstallTaskKinds.h"

#include <comdef.h>
#include <gtest/gtest.h>

namespace
{
const std::wstring kId = L"{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}";

TEST(InstallTaskPatchList, JoinEndsEveryEntryInOneBackslashAndAStar)
{
    const struct
    {
        TaskPatchList patches;
        const wchar_t* text;
    } cases[] = {
        {{L"c:\\a", L"c:\\b\\"}, L"c:\\a\\*c:\\b\\*"},
        {{}, L""},
        {{L""}, L"*"},
        {{L"x"}, L"x\\*"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, JoinPatchList(c.patches));
}

TEST(InstallTaskPatchList, SplitKeepsTheNonEmptyPiecesBeforeAStar)
{
    const struct
    {
        const wchar_t* text;
        TaskPatchList patches;
    } cases[] = {
        {L"c:\\a*b*", {L"c:\\a\\", L"b\\"}},
        {L"c:\\a", {}},
        {L"", {}},
        {L"**a\\**", {L"a\\"}},
        {L"a*tail", {L"a\\"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.patches, SplitPatchList(c.text)) << c.text;
}

TEST(InstallTaskPatchList, SplitUndoesJoin)
{
    const TaskPatchList patches = {L"c:\\p1\\", L"d:\\p 2\\"};
    EXPECT_EQ(patches, SplitPatchList(JoinPatchList(patches)));
}

TEST(InstallTaskKinds, UpgradeCarriesOptionsAndPatchDirectories)
{
    CUpgradeTask task(kId, L"c:\\dist\\", 720, {L"c:\\a", L"c:\\b\\"}, 7);
    const std::wstring text = task.SerializeToXml();
    EXPECT_NE(std::wstring::npos, text.find(L"options=\"7\"")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L">c:\\a\\*c:\\b\\*</patch>")) << text;

    CUpgradeTask loaded(L"other", L"", 0, {}, 0);
    loaded.InitFromXml(text);
    EXPECT_EQ(7, loaded.GetOptions());
    EXPECT_EQ((TaskPatchList{L"c:\\a\\", L"c:\\b\\"}), loaded.GetPatches());
    EXPECT_EQ(L"c:\\dist\\", loaded.GetSrcPath());
    EXPECT_EQ(kId, loaded.GetId());
    EXPECT_EQ(text, loaded.SerializeToXml());
}

TEST(InstallTaskKinds, UpgradeWithoutPatchesWritesNoPatchElement)
{
    CUpgradeTask task(kId, L"c:\\dist\\", 720, {}, 0);
    const std::wstring text = task.SerializeToXml();
    EXPECT_NE(std::wstring::npos, text.find(L"options=\"0\"")) << text;
    EXPECT_EQ(std::wstring::npos, text.find(L"patch")) << text;
    CUpgradeTask loaded(kId, L"", 0, {}, 3);
    loaded.InitFromXml(text);
    EXPECT_TRUE(loaded.GetPatches().empty());
    EXPECT_EQ(0, loaded.GetOptions());
}

TEST(InstallTaskKinds, UpgradeLocaleIsNeverEmpty)
{
    CUpgradeTask task(kId, L"", 720, {}, 0);
    EXPECT_FALSE(task.GetLocale().empty());
}

// Each saved path carries a "*"; loading keeps it and makes the source the
// paths joined.
TEST(InstallTaskKinds, PatchTaskLoadsItsPatchesWithTheirStars)
{
    CApplyRemovePatchesTask task(kId, TaskApplyPatches, {L"p1", L"p2"}, 720);
    const std::wstring text = task.SerializeToXml();
    // Line breaks between the elements are the XML library's.
    const size_t first = text.find(L"<patch path=\"p1*\"/>");
    EXPECT_NE(std::wstring::npos, first) << text;
    EXPECT_LT(first, text.find(L"<patch path=\"p2*\"/>")) << text;

    const auto loaded = CreateTaskOfType(TaskApplyPatches, L"other");
    loaded->InitFromXml(text);
    auto& patchTask = static_cast<CApplyRemovePatchesTask&>(*loaded);
    EXPECT_EQ(L"p1*p2*", patchTask.GetSrcPath());
    EXPECT_EQ((TaskPatchList{L"p1*", L"p2*"}), patchTask.GetPatches());
    EXPECT_EQ(TaskApplyPatches, patchTask.GetType());
}

TEST(InstallTaskKinds, RemoveAllPatchesHasNoPatchElements)
{
    CApplyRemovePatchesTask task(kId, TaskRemoveAllPatches, {}, 720);
    task.SetSrcPath(L"ignored");
    const std::wstring text = task.SerializeToXml();
    EXPECT_EQ(std::wstring::npos, text.find(L"<patch")) << text;
    const auto loaded = CreateTaskOfType(TaskRemoveAllPatches, L"other");
    loaded->InitFromXml(text);
    EXPECT_EQ(L"", loaded->GetSrcPath()) << "the patch paths replace the source";
}

// A patch task's children must all be elements.
TEST(InstallTaskKinds, PatchTaskWithTextChildFailsWithEPointer)
{
    CApplyRemovePatchesTask task(kId, TaskApplyPatches, {}, 720);
    try
    {
        task.InitFromXml(L"<task type='100'><patch path='a*'/>loose text</task>");
        ADD_FAILURE() << "no error";
    }
    catch (const _com_error& error)
    {
        EXPECT_EQ(E_POINTER, error.Error());
    }
}
} // namespace
