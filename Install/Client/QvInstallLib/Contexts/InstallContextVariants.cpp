#include "InstallContextVariants.h"

#include "PathUtils.h"
#include "ResponseFile.h"
#include "buffer.h"

#include <shlwapi.h>

namespace
{
constexpr size_t kPathChars = 520;
} // namespace

CBaseContext::CBaseContext(std::wstring localeName)
{
    SetLocaleName(localeName.c_str());
    GetResponseFile()->SetWriteThrough(/*on=*/false);
}

CSilentContext::CSilentContext(std::wstring localeName) : CBaseContext(std::move(localeName))
{
    SetSilent(/*silent=*/true);
}

CRspContext::CRspContext(std::wstring localeName, std::wstring dir)
    : CSilentContext(std::move(localeName))
{
    SetSilent(/*silent=*/true);
    const auto responseFile = GetResponseFile();
    responseFile->Load(QvBase::JoinPath(dir.c_str(), kResponseFileName, L'\\').c_str());
    SetSource(responseFile->GetWellKnownValue(QvInstall::KeySource).c_str());
}

CSrvInstallContext::CSrvInstallContext(std::wstring localeName, std::wstring dir,
                                       IMsgWriter* writer)
    : CRspContext(std::move(localeName), std::move(dir))
{
    SetMsgWriter(writer);
    SetSourceRoot(GetSource().c_str());
}

CInteractiveInstallContext::CInteractiveInstallContext(std::wstring localeName, std::wstring dir,
                                                       HWND window)
    : CBaseContext(std::move(localeName))
{
    SetSilent(/*silent=*/false);
    SetSource(dir.c_str());
    // PathCombineW also canonicalises; a failed combination leaves the root empty.
    QvBase::CBuffer<wchar_t> root(kPathChars);
    if (PathCombineW(root.Get(), dir.c_str(), L"..\\..\\..\\") == nullptr)
        root[0] = L'\0';
    SetSourceRoot(root.Get());
    SetWindow(window);
    GetResponseFile()->SetWriteThrough(/*on=*/false);
}
