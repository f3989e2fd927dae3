#include "InstallContext.h"

#include "ResponseFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The engine's type; here it only counts its instances.
class CEngineSharedObject
{
public:
    explicit CEngineSharedObject(int& alive) : alive(alive) { ++alive; }
    ~CEngineSharedObject() { --alive; }

private:
    int& alive;
};

namespace
{
class CRecordingWriter : public IMsgWriter
{
public:
    void Write(CMsgData message) override { last = message.text; }
    std::wstring last;
};

TEST(InstallContext, FailedDirHasExactlyOneBackslash)
{
    const struct
    {
        const wchar_t* source;
        const wchar_t* failed;
    } cases[] = {
        {L"C:\\dist", L"C:\\dist\\failed"},
        {L"C:\\dist\\", L"C:\\dist\\failed"},
    };
    for (const auto& c : cases)
    {
        CInstallContext context;
        context.SetSource(c.source);
        EXPECT_EQ(c.failed, context.GetFailedDir()) << c.source;
    }
    CInstallContext empty;
    EXPECT_EQ(L"\\failed", empty.GetFailedDir());
}

TEST(InstallContext, SourceValuesAreReadFromTheResponseFileWhileEmpty)
{
    CInstallContext context;
    const auto responseFile = context.GetResponseFile();
    EXPECT_EQ(L"", context.GetSource());
    // An empty field reads the response file again on every call.
    responseFile->SetWellKnownValue(2, L"C:\\src");
    responseFile->SetWellKnownValue(3, L"C:\\root");
    EXPECT_EQ(L"C:\\src", context.GetSource());
    EXPECT_EQ(L"C:\\root", context.GetSourceRoot());
    // Once filled, the field no longer follows the response file.
    responseFile->SetWellKnownValue(2, L"C:\\other");
    EXPECT_EQ(L"C:\\src", context.GetSource());
    context.SetSource(L"C:\\new");
    context.SetSourceRoot(L"C:\\newroot");
    EXPECT_EQ(L"C:\\new", context.GetSource());
    EXPECT_EQ(L"C:\\new", responseFile->GetWellKnownValue(2));
    EXPECT_EQ(L"C:\\newroot", responseFile->GetWellKnownValue(3));
}

TEST(InstallContext, ResponseFileIsCreatedOnceWithNoComponentChosen)
{
    CInstallContext context;
    const auto first = context.GetResponseFile();
    EXPECT_EQ(first.get(), context.GetResponseFile().get());
    EXPECT_EQ(0, first->GetAction(L"core"));
    EXPECT_EQ(L"", first->GetFileName());
}

TEST(InstallContext, NullWriterRestoresTheDefaultWriter)
{
    CInstallContext context;
    IMsgWriter* defaultWriter = context.GetMsgWriter();
    ASSERT_NE(nullptr, defaultWriter);
    defaultWriter->Write(CMsgData(L"dropped"));
    CRecordingWriter writer;
    context.SetMsgWriter(&writer);
    context.GetMsgWriter()->Write(CMsgData(L"kept"));
    EXPECT_EQ(L"kept", writer.last);
    context.SetMsgWriter(nullptr);
    EXPECT_EQ(defaultWriter, context.GetMsgWriter());
}

TEST(InstallContext, MessagesKeepTheirOrderInTheLiveList)
{
    CInstallContext context;
    context.AddMessage(ContextMessage{1, L"first"});
    context.AddMessage(ContextMessage{2, L"second"});
    auto& messages = context.GetMessages();
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(L"first", messages.front().text);
    EXPECT_EQ(2, messages.back().number);
    messages.clear();
    EXPECT_TRUE(context.GetMessages().empty());
}

TEST(InstallContext, SharedObjectLivesAsLongAsTheContextHoldsIt)
{
    int alive = 0;
    {
        auto context = std::make_shared<CInstallContext>();
        context->SetSharedObject(std::make_shared<CEngineSharedObject>(alive));
        EXPECT_EQ(1, alive);
        EXPECT_NE(nullptr, context->GetSharedObject());
        context->SetSharedObject(std::make_shared<CEngineSharedObject>(alive));
        EXPECT_EQ(1, alive) << "the previous object loses the context's share";
    }
    EXPECT_EQ(0, alive);
}
} // namespace
