// Response-file load time against the raw profile-string reads that a load
// makes (section names, the well-known keys of "Common", every section), for a
// small file and a large one. The difference is the cost of the in-memory
// model and the load summary.
#include "ResponseFile.h"
#include "ResponseFileTables.h"
#include "TraceConfig.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

// Milliseconds per call over a run of calls.
double MsPerCall(int calls, const std::function<void()>& work)
{
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i)
        work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / calls;
}

void WriteUtf16File(const std::wstring& path, const std::wstring& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::wstring bytes = L"\xFEFF" + text;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
}

std::wstring SectionText(const std::wstring& name, int keys)
{
    std::wstring text = L"[" + name + L"]\r\n";
    for (int k = 0; k < keys; ++k)
        text += L"Key" + std::to_wstring(k) + L"=C:\\Program Files\\Quorvel\\value" +
                std::to_wstring(k) + L"\r\n";
    return text;
}

// "Common" with the well-known keys and four more: 20 keys.
std::wstring SmallFile()
{
    std::wstring text = L"[Common]\r\n";
    for (int index = 0; index <= QvInstall::KeyRebootTimeout; ++index)
    {
        const std::wstring key = QvInstall::WellKnownKeyName(index);
        if (!key.empty())
            text += key + L"=value" + std::to_wstring(index) + L"\r\n";
    }
    for (int k = 0; k < 4; ++k)
        text += L"Extra" + std::to_wstring(k) + L"=1\r\n";
    return text;
}

// "Common" and 499 more sections, 20 keys each. The section-name list of a
// load holds 1,024 characters, so the other names are one character long
// (CJK letters, hence a UTF-16 file).
std::wstring LargeFile()
{
    std::wstring text = SectionText(L"Common", 20);
    for (int s = 0; s < 499; ++s)
        text += SectionText(std::wstring(1, static_cast<wchar_t>(0x4E00 + s)), 20);
    return text;
}

// The reads a load makes, without building anything.
void RawReads(const std::wstring& path)
{
    std::vector<wchar_t> names(1024), value(260), section(0x7FFF);
    GetPrivateProfileSectionNamesW(names.data(), 1024, path.c_str());
    for (int index = 0; index < QvInstall::KeyRebootTimeout; ++index)
    {
        const wchar_t* key = QvInstall::WellKnownKeyName(index);
        if (*key != L'\0')
            GetPrivateProfileStringW(L"Common", key, L"", value.data(), 260, path.c_str());
    }
    for (const wchar_t* name = names.data(); *name != L'\0'; name += wcslen(name) + 1)
        GetPrivateProfileSectionW(name, section.data(), 0x7FFF, path.c_str());
}

void Load(const std::wstring& path)
{
    CResponseFile file;
    file.SetWriteThrough(false);
    file.Load(path.c_str());
}

void Report(const char* title, const std::wstring& path, int calls, const std::wstring& last)
{
    // The first load warms the system's profile cache for both measurements
    // and shows that the file's last section is read whole.
    CResponseFile check;
    check.SetWriteThrough(false);
    check.Load(path.c_str());
    if (check.GetSection(last).size() != 20)
        std::printf("%s: the section list was not read whole\n", title);
    double load = 1e300, raw = 1e300;
    // Rounds alternate so that both see the same machine; best of each.
    for (int round = 0; round < 3; ++round)
    {
        load = std::min(load, MsPerCall(calls, [&] { Load(path); }));
        raw = std::min(raw, MsPerCall(calls, [&] { RawReads(path); }));
    }
    std::printf("%-32s Load %9.3f ms   raw profile reads %9.3f ms   (%.2fx)\n", title, load, raw,
                load / raw);
}
} // namespace

int wmain()
{
    QvTest::CTempDir dir(L"QvResponseFileBench");
    const std::wstring small = dir / L"small.rsp";
    const std::wstring large = dir / L"large.rsp";
    WriteUtf16File(small, SmallFile());
    WriteUtf16File(large, LargeFile());
    Report("20 keys", small, 200, L"Common");
    Report("500 sections x 20 keys", large, 3, std::wstring(1, static_cast<wchar_t>(0x4E00 + 498)));
    return 0;
}
