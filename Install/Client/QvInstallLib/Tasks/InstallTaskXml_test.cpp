// The XML form of the task kinds: round trips, attribute values as a loader
// sees them, and texts that are not task documents.
#include "InstallTaskKinds.h"
#include "ParseDecimal.h"
#include "TestFiles.h"
#include "qvexception.h"

#include <comdef.h>
#include <gtest/gtest.h>

namespace
{
const std::wstring kId = L"{6A1E2C3D-4B5F-4A7E-9C8D-0E1F2A3B4C5D}";

std::wstring TaskText(const std::wstring& attributes, const std::wstring& content = L"")
{
    return L"<?xml version='1.0'?><task " + attributes + L">" + content + L"</task>";
}

// The six common attributes of two tasks agree.
void ExpectSameTask(CCommonInstallTask& expected, CCommonInstallTask& actual)
{
    EXPECT_EQ(expected.GetId(), actual.GetId());
    EXPECT_EQ(expected.GetType(), actual.GetType());
    EXPECT_EQ(expected.GetTimeout(), actual.GetTimeout());
    EXPECT_EQ(expected.GetSrcPath(), actual.GetSrcPath());
    EXPECT_EQ(expected.GetLocale(), actual.GetLocale());
    EXPECT_EQ(expected.IsInteractive(), actual.IsInteractive());
}

TEST(ParseDecimal, ReadsAsTheCLibraryDoes)
{
    const struct
    {
        const wchar_t* text;
        int value;
    } cases[] = {
        {L"720", 720}, {L"30abc", 30}, {L"  \t42", 42}, {L"abc", 0},
        {L"", 0},      {L"-5", -5},    {L"+7", 7},      {L"1.9", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value, ParseDecimal(c.text)) << c.text;
}

// Install, repair and uninstall tasks come back with the same six values.
TEST(InstallTaskXml, PlainKindsRoundTrip)
{
    std::shared_ptr<CCommonInstallTask> tasks[] = {
        std::make_shared<CInstallTask>(kId, L"", 720),
        std::make_shared<CRepairTask>(kId, 30),
        std::make_shared<CUninstallTask>(kId, -1),
    };
    for (const auto& task : tasks)
    {
        task->SetSrcPath(L"C:\\Dist\\\"quoted\" & <angled>");
        task->SetInteractive(true);
        const std::wstring text = task->SerializeToXml();
        const auto loaded = CreateTaskOfType(task->GetType(), L"other");
        ASSERT_TRUE(loaded);
        loaded->InitFromXml(text);
        ExpectSameTask(*task, *loaded);
        EXPECT_EQ(text, loaded->SerializeToXml());
    }
}

TEST(InstallTaskXml, AttributesAreWrittenInOrderAfterADeclaration)
{
    CRepairTask task(kId, 720);
    const std::wstring text = task.SerializeToXml();
    EXPECT_EQ(0u, text.find(L"<?xml version")) << text;
    size_t last = 0;
    for (const wchar_t* name : {L"<task", L" id=", L" type=\"2\"", L" timeout=\"720\"",
                                L" source=\"\"", L" locale=", L" interactive=\"0\""})
    {
        const size_t at = text.find(name);
        ASSERT_NE(std::wstring::npos, at) << name << L" in " << text;
        EXPECT_LT(last, at) << name;
        last = at;
    }
}

TEST(InstallTaskXml, EmptySourceAndLocaleStayEmpty)
{
    CUninstallTask task(kId, 1);
    task.InitFromXml(TaskText(L"id='x' type='3' timeout='1' source='' locale='' interactive='0'"));
    const std::wstring text = task.SerializeToXml();
    EXPECT_NE(std::wstring::npos, text.find(L"source=\"\"")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"locale=\"\"")) << text;
    CUninstallTask loaded(kId, 1);
    loaded.InitFromXml(text);
    EXPECT_EQ(L"", loaded.GetSrcPath());
    EXPECT_EQ(L"", loaded.GetLocale());
}

TEST(InstallTaskXml, AttributeValuesAsTheLoaderReadsThem)
{
    const struct
    {
        const wchar_t* interactive;
        const wchar_t* timeout;
        bool isInteractive;
        int timeoutValue;
    } cases[] = {
        {L"1", L"720", true, 720},  {L"0", L"30abc", false, 30}, {L"2", L"  45", false, 45},
        {L"yes", L"abc", false, 0}, {L"", L"-10", false, -10},   {L" 1", L"", true, 0},
    };
    for (const auto& c : cases)
    {
        CRepairTask task(kId, 5);
        task.InitFromXml(TaskText(std::wstring(L"interactive='") + c.interactive + L"' timeout='" +
                                  c.timeout + L"'"));
        EXPECT_EQ(c.isInteractive, task.IsInteractive()) << c.interactive;
        EXPECT_EQ(c.timeoutValue, task.GetTimeout()) << c.timeout;
    }
}

// Missing attributes read as empty texts and zeros.
TEST(InstallTaskXml, MissingAttributesGiveEmptyAndZero)
{
    CRepairTask task(kId, 5);
    task.InitFromXml(TaskText(L""));
    EXPECT_EQ(L"", task.GetId());
    EXPECT_EQ(0, task.GetType());
    EXPECT_EQ(0, task.GetTimeout());
    EXPECT_FALSE(task.IsInteractive());
}

// Whatever the parser makes of a bad text, the first attribute read fails
// with E_POINTER and nothing crashes.
TEST(InstallTaskXml, TextWithoutADocumentElementFailsWithEPointer)
{
    for (const wchar_t* text : {L"not xml at all", L"", L"<?xml version='1.0'?>", L"<task",
                                L"<task></other>", L"<?xml version='1.0'?><!-- only -->"})
    {
        CRepairTask task(kId, 5);
        try
        {
            task.InitFromXml(text);
            ADD_FAILURE() << "no error for " << text;
        }
        catch (const _com_error& error)
        {
            EXPECT_EQ(E_POINTER, error.Error()) << text;
        }
        EXPECT_EQ(kId, task.GetId()) << "nothing read from " << text;
    }
}

// An installation's locale comes from the response file of its source.
TEST(InstallTaskXml, InstallTaskTakesTheLocaleOfItsResponseFile)
{
    QvTest::CTempDir dir(L"QvInstallTaskLocale");
    ASSERT_TRUE(
        WritePrivateProfileStringW(L"Common", L"locale", L"es-ES", (dir / L"QvInst.rsp").c_str()));
    CInstallTask task(kId, dir.Path(), 720);
    EXPECT_EQ(L"es-ES", task.GetLocale());
    EXPECT_EQ(dir.Path(), task.GetSrcPath());
    EXPECT_TRUE(task.IsRegistryBacked());
    task.SetRegistryBacked(false);
    EXPECT_TRUE(task.IsRegistryBacked()) << "an installation always goes through the registry";
}

TEST(InstallTaskXml, InstallTaskWithoutAResponseFileFails)
{
    QvTest::CTempDir dir(L"QvInstallTaskNoRsp");
    EXPECT_THROW(CInstallTask(kId, dir.Path(), 720), QvBase::CQvError);
}

TEST(InstallTaskXml, FreshIdsAreBracedGuids)
{
    CRepairTask first(720);
    CRepairTask second(720);
    const std::wstring id = first.GetId();
    ASSERT_EQ(38u, id.size()) << id;
    EXPECT_EQ(L'{', id.front());
    EXPECT_EQ(L'}', id.back());
    EXPECT_EQ(std::wstring::npos, id.find_first_not_of(L"{}-0123456789ABCDEF")) << id;
    EXPECT_NE(id, second.GetId());
    EXPECT_EQ(L"Global\\InstallTaskIsRunningEvent_" + id, first.GetRunningEventName());
    EXPECT_EQ(L"Global\\InstallTaskMap_" + id, first.GetTaskMapName());
    EXPECT_EQ(L"Global\\InstallTaskResultMap_" + id, first.GetResultMapName());
}

TEST(InstallTaskXml, UninstallIsRecognisedByItsTypes)
{
    for (int type : {1, 2, 3, 4, 6, 100, 104})
    {
        const auto task = CreateTaskOfType(type, kId);
        ASSERT_TRUE(task) << type;
        task->InitFromXml(TaskText(L"type='" + std::to_wstring(type) + L"'"));
        EXPECT_EQ(type == 3 || type == 104, task->IsUninstall()) << type;
        EXPECT_TRUE(task->AlwaysTrue());
    }
    EXPECT_FALSE(CreateTaskOfType(5, kId));
}
} // namespace
