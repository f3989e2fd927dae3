// Response files as an administrator might leave them: loaded through the
// profile functions from a real file, in the encodings the system reads
// (8-bit, UTF-16 with and without a byte-order mark), then asked for their
// patches and saved and loaded again. Bad files may end in the program's own
// error; nothing may crash, hang, grow without bound or throw anything else.
// Also the patch list written and read back in memory.
#include "FuzzInput.h"
#include "PathUtils.h"
#include "ResponseFile.h"

#include <windows.h>

#include <memory>
#include <string>

namespace
{
struct ReleaseFile
{
    void operator()(QvInstall::IResponseFile* file) const { file->Release(); }
};
using ResponseFilePtr = std::unique_ptr<QvInstall::IResponseFile, ReleaseFile>;

const std::wstring& WorkFolder()
{
    static const std::wstring folder = []
    {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        std::wstring path =
            std::wstring(temp) + L"QvFuzzRsp-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }();
    return folder;
}

// The first byte picks the encoding of the rest (its low bits) and whether
// the case writes through or saves (see below).
std::string FileBytes(const uint8_t* data, size_t size)
{
    if (size == 0)
        return std::string();
    const uint8_t mode = data[0] % 4;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (mode == 0)
        return rest;
    std::string wide = mode == 2 ? std::string() : std::string("\xFF\xFE", 2);
    if (mode == 3)
        return wide + rest; // the bytes are UTF-16 units as they stand
    for (char c : rest)     // each byte one unit: readable seeds stay readable
    {
        wide.push_back(c);
        wide.push_back('\0');
    }
    return wide;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    QvFuzz::Check(file != INVALID_HANDLE_VALUE, "cannot write the work file");
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Every write through the profile functions rewrites the whole file, so a
// case that writes costs tens of times one that only reads: the mode byte
// sends one case in eight each to write-through and to Save.
void LoadAndSave(const std::wstring& path, const std::wstring& saved, bool writeThrough, bool save)
{
    ResponseFilePtr file(CreateResponseFile());
    file->SetWriteThrough(writeThrough);
    file->Load(path.c_str());
    const QvInstall::PatchList patches = file->GetPatches();
    // A count names no more patches than the section has keys.
    QvFuzz::Check(patches.size() <= file->GetSection(L"patches").size(),
                  "more patches than the section holds");
    if (!save)
        return;
    DeleteFileW(saved.c_str());
    file->Save(saved.c_str());
    ResponseFilePtr again(CreateResponseFile());
    again->SetWriteThrough(false);
    again->Load(saved.c_str());
}

void PatchListRoundTrip(const uint8_t* data, size_t size)
{
    std::wstring text = QvFuzz::WideBytes(data, size);
    QvInstall::PatchList written;
    for (size_t start = 0; start <= text.size() && written.size() < 64;)
    {
        size_t end = text.find(L'\n', start);
        end = end == std::wstring::npos ? text.size() : end;
        std::wstring patch = text.substr(start, end - start);
        patch.resize(patch.find(L'\0') == std::wstring::npos ? patch.size() : patch.find(L'\0'));
        written.push_back(patch);
        start = end + 1;
    }
    ResponseFilePtr file(CreateResponseFile());
    file->SetPatches(written);
    const QvInstall::PatchList read = file->GetPatches();
    QvFuzz::Check(read.size() == written.size(), "patch count changed");
    auto r = read.begin();
    for (const std::wstring& patch : written)
        QvFuzz::Check(*r++ == QvBase::JoinPath(patch.c_str(), L"", L'\\'), "patch changed");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PatchListRoundTrip(data, size);
    const std::wstring path = WorkFolder() + L"\\QvInst.rsp";
    const std::wstring saved = WorkFolder() + L"\\QvSaved.rsp";
    WriteWholeFile(path, FileBytes(data, size));
    // The program loads with write-through off; some cases load as a new
    // object does, writing every value back as it goes.
    const uint8_t mode = size > 0 ? data[0] : 0;
    LoadAndSave(path, saved, (mode & 0x70) == 0x70, (mode & 0x8C) == 0x8C);
    return 0;
}
