#include "InstallContext.h"

#include "PathUtils.h"
#include "ResponseFile.h"

CInstallContext::CInstallContext() : defaultWriter(std::make_unique<CEmptyErrorWriter>()) {}

CInstallContext::~CInstallContext()
{
    responseFile.reset();
    defaultWriter.reset();
}

IMsgWriter* CInstallContext::GetMsgWriter()
{
    return msgWriter != nullptr ? msgWriter : defaultWriter.get();
}

void CInstallContext::SetMsgWriter(IMsgWriter* writer)
{
    msgWriter = writer;
}

HWND CInstallContext::GetWindow()
{
    return window;
}

void CInstallContext::SetWindow(HWND newWindow)
{
    window = newWindow;
}

std::wstring CInstallContext::GetLocaleName()
{
    return localeName;
}

void CInstallContext::SetLocaleName(const wchar_t* name)
{
    localeName = name;
}

std::wstring CInstallContext::GetSource()
{
    if (source.empty())
        source = GetResponseFile()->GetWellKnownValue(QvInstall::KeySource);
    return source;
}

void CInstallContext::SetSource(const wchar_t* dir)
{
    source = dir;
    GetResponseFile()->SetWellKnownValue(QvInstall::KeySource, source);
}

std::wstring CInstallContext::GetFailedDir()
{
    return QvBase::JoinPath(GetSource().c_str(), L"\\failed", L'\\');
}

std::wstring CInstallContext::GetSourceRoot()
{
    if (sourceRoot.empty())
        sourceRoot = GetResponseFile()->GetWellKnownValue(QvInstall::KeySourceRoot);
    return sourceRoot;
}

void CInstallContext::SetSourceRoot(const wchar_t* dir)
{
    sourceRoot = dir;
    GetResponseFile()->SetWellKnownValue(QvInstall::KeySourceRoot, sourceRoot);
}

std::shared_ptr<QvInstall::IResponseFile> CInstallContext::GetResponseFile()
{
    if (!responseFile)
    {
        // Deleted through its virtual destructor when the last owner lets go.
        responseFile.reset(CreateResponseFile());
        responseFile->ResetComponents();
    }
    return responseFile;
}

bool CInstallContext::IsSilent()
{
    return silent;
}

void CInstallContext::SetSilent(bool newSilent)
{
    silent = newSilent;
}

QvInstall::PatchList CInstallContext::GetPatches()
{
    return GetResponseFile()->GetPatches();
}

void CInstallContext::SetSharedObject(std::shared_ptr<CEngineSharedObject> object)
{
    sharedObject = object;
}

std::shared_ptr<CEngineSharedObject> CInstallContext::GetSharedObject()
{
    return sharedObject;
}

std::list<ContextMessage>& CInstallContext::GetMessages()
{
    return messages;
}

void CInstallContext::AddMessage(const ContextMessage& message)
{
    messages.push_back(message);
}
