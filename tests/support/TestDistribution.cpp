#include "TestDistribution.h"

#include "DistributionLayout.h"
#include "ProcessRunner.h"
#include "TestFiles.h"

#include <windows.h>

#include <shellapi.h>

namespace QvTest
{
namespace
{
void MakeDirectories(const std::wstring& path)
{
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}
} // namespace

CTestDistribution::CTestDistribution(const std::wstring& root, bool withEngine)
    : root(root), programDir(root + L"\\" + kDistributionProgramFolder)
{
    RemoveTree(root);
    MakeDirectories(programDir);
    const std::wstring bin = BinDir();
    CopyFileW((bin + L"QvSetup.exe").c_str(), Setup().c_str(), FALSE);
    CopyFileW((bin + L"QvError.dll").c_str(), (programDir + L"\\QvError.dll").c_str(), FALSE);
    if (!withEngine)
        return;
    CopyFileW((bin + L"QvInstMain.dll").c_str(), (programDir + L"\\QvInstMain.dll").c_str(), FALSE);
    for (const wchar_t* lang : {L"en-US", L"ru-RU", L"es-ES"})
    {
        const std::wstring dir = programDir + L"\\" + lang;
        CreateDirectoryW(dir.c_str(), nullptr);
        const std::wstring name = std::wstring(L"\\") + lang + L"\\QvInstMain.dll.mui";
        CopyFileW((bin + name.substr(1)).c_str(), (programDir + name).c_str(), FALSE);
    }
}

CTestDistribution::~CTestDistribution()
{
    RemoveTree(root);
}

void CTestDistribution::WriteResponseFile(const std::wstring& text) const
{
    WriteUtf16File(programDir + L"\\" + kResponseFileName, text);
}

void CTestDistribution::WriteRootResponseFile(const std::wstring& text, Encoding encoding) const
{
    const std::wstring path = root + L"\\" + kResponseFileName;
    if (encoding == Encoding::Utf16)
    {
        WriteUtf16File(path, text);
        return;
    }
    const int size = static_cast<int>(text.size());
    std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr,
                                                              0, nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), static_cast<int>(bytes.size()),
                        nullptr, nullptr);
    WriteFileBytes(path, bytes);
}

bool CTestDistribution::AddAgentAndPackage(const std::wstring& package) const
{
    bool copied = CopyFileW((package.empty() ? BinDir() + kClientPackageFileName : package).c_str(),
                            (programDir + L"\\" + kClientPackageFileName).c_str(),
                            /*failIfExists=*/FALSE) != FALSE;
    for (const wchar_t* name : {L"QvInstAgent.exe", L"QvSrvApi.dll"})
        copied &= CopyFileW((BinDir() + name).c_str(), (programDir + L"\\" + name).c_str(),
                            /*failIfExists=*/FALSE) != FALSE;
    return copied;
}

CEngineReport::CEngineReport(const std::wstring& path) : path(path)
{
    DeleteFileW(path.c_str());
    SetEnvironmentVariableW(L"QVINSTMAIN_REPORT", path.c_str());
}

CEngineReport::~CEngineReport()
{
    SetEnvironmentVariableW(L"QVINSTMAIN_REPORT", nullptr);
    DeleteFileW(path.c_str());
}

std::string CEngineReport::Text() const
{
    return ReadFileBytes(path);
}

std::map<std::wstring, std::wstring> CEngineReport::Read() const
{
    const std::string bytes = Text();
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(),
                                                        static_cast<int>(bytes.size()), &text[0],
                                                        static_cast<int>(text.size()))));
    std::map<std::wstring, std::wstring> values;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        const size_t equals = line.find(L'=');
        if (equals != std::wstring::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 2;
    }
    return values;
}
} // namespace QvTest
