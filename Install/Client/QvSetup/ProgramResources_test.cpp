// The resources of the built QvSetup.exe, read as data from the file.
#include "BuildInfo.h"
#include "ProcessRunner.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{
const WORD kLanguages[] = {1033, 1049, 3082};

struct Texts
{
    WORD language;
    const wchar_t* initialText;
    const wchar_t* string104;
    const wchar_t* string129;
    const wchar_t* fileDescription;
    const wchar_t* versionBlock;
};

const Texts kTexts[] = {
    {1033, L"The program is preparing for its first start. Please wait.",
     L"Initializing installation...",
     L"Could not install component.\r\nCurrent version of the operation system is not "
     L"supported\r\nor necessary service pack is not installed.\r\nHardware and software "
     L"requirements are listed in the documentation.",
     L"Installation subsystem module", L"040904b0"},
    {1049, L"Подготовка программы установки к первому запуску. Пожалуйста, подождите.",
     L"Инициализация компонентов программы установки...",
     L"Установка на данном компьютере невозможна.\r\nПричина: текущая версия операционной "
     L"системы не поддерживается или для неё не установлен необходимый пакет обновлений.\r\n"
     L"Требования к аппаратному и программному обеспечению см. в документации.",
     L"Программа установки", L"041904b0"},
    {3082, L"El programa se prepara para su primero inicio. Espere por favor.",
     L"Inicializando los componentes para instalar...",
     L"No se pudo instalar el componente.\r\nLa versión actual del sistema operativo no se "
     L"admite\r\nni se instala el service pack necesario.\r\nLos requisitos de hardware y "
     L"software se enumeran en la documentación.",
     L"Modulo de la instalacion del subsistema", L"0c0a04b0"},
};

// QvSetup.exe mapped as data: its resources without running any of its code.
class ProgramFile
{
public:
    ProgramFile()
        : module(LoadLibraryExW((QvTest::BinDir() + L"QvSetup.exe").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~ProgramFile()
    {
        if (module != nullptr)
            FreeLibrary(module);
    }
    ProgramFile(const ProgramFile&) = delete;
    ProgramFile& operator=(const ProgramFile&) = delete;

    HMODULE get() const { return module; }

    // The bytes of one resource in one language; empty when it is missing.
    std::vector<BYTE> Resource(const wchar_t* type, const wchar_t* name, WORD language) const
    {
        HRSRC info = FindResourceExW(module, type, name, language);
        if (info == nullptr)
            return {};
        HGLOBAL data = LoadResource(module, info);
        const auto* bytes = static_cast<const BYTE*>(LockResource(data));
        if (bytes == nullptr)
            return {};
        return std::vector<BYTE>(bytes, bytes + SizeofResource(module, info));
    }

    std::set<WORD> Languages(const wchar_t* type, const wchar_t* name) const
    {
        std::set<WORD> languages;
        EnumResourceLanguagesW(module, type, name, &AddLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

private:
    static BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
    {
        reinterpret_cast<std::set<WORD>*>(param)->insert(language);
        return TRUE;
    }

    HMODULE module;
};

class ProgramResources : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(nullptr, file.get()) << "error " << GetLastError(); }
    ProgramFile file;
};

// Reads the fields of a resource template in order, failing past its end.
class TemplateReader
{
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : bytes(bytes) {}

    template <typename T> T Read()
    {
        T value{};
        if (offset + sizeof(T) > bytes.size())
        {
            ADD_FAILURE() << "template ends at " << bytes.size();
            offset = bytes.size();
            return value;
        }
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
        offset += sizeof(T);
        return value;
    }

    std::wstring ReadString()
    {
        std::wstring text;
        for (wchar_t c = Read<wchar_t>(); c != L'\0' && offset < bytes.size(); c = Read<wchar_t>())
            text.push_back(c);
        return text;
    }

    // A name or ordinal field: 0xFFFF and an ordinal, or a string.
    std::wstring ReadNameOrOrdinal()
    {
        if (offset + 2 <= bytes.size() && bytes[offset] == 0xFF && bytes[offset + 1] == 0xFF)
        {
            Read<WORD>();
            return L"#" + std::to_wstring(Read<WORD>());
        }
        return ReadString();
    }

    void AlignToDword() { offset = (offset + 3) & ~static_cast<size_t>(3); }

private:
    const std::vector<BYTE>& bytes;
    size_t offset = 0;
};

TEST_F(ProgramResources, StartupDialogTemplate)
{
    EXPECT_EQ(std::set<WORD>(std::begin(kLanguages), std::end(kLanguages)),
              file.Languages(RT_DIALOG, MAKEINTRESOURCEW(IDD_STARTUP)));
    for (const Texts& t : kTexts)
    {
        SCOPED_TRACE(t.language);
        const std::vector<BYTE> bytes =
            file.Resource(RT_DIALOG, MAKEINTRESOURCEW(IDD_STARTUP), t.language);
        ASSERT_FALSE(bytes.empty());
        TemplateReader r(bytes);
        EXPECT_EQ(1, r.Read<WORD>());      // version
        EXPECT_EQ(0xFFFF, r.Read<WORD>()); // extended template
        EXPECT_EQ(0u, r.Read<DWORD>());    // help id
        EXPECT_EQ(0u, r.Read<DWORD>());    // extended style
        EXPECT_EQ(0x80C000C8u, r.Read<DWORD>());
        EXPECT_EQ(1, r.Read<WORD>()); // controls
        EXPECT_EQ(0, r.Read<short>());
        EXPECT_EQ(0, r.Read<short>());
        EXPECT_EQ(215, r.Read<short>());
        EXPECT_EQ(42, r.Read<short>());
        EXPECT_EQ(L"", r.ReadNameOrOrdinal()); // menu
        EXPECT_EQ(L"", r.ReadNameOrOrdinal()); // class
        EXPECT_EQ(L"", r.ReadString());        // caption
        EXPECT_EQ(8, r.Read<WORD>());
        EXPECT_EQ(400, r.Read<WORD>());
        EXPECT_EQ(0, r.Read<BYTE>()); // italic
        EXPECT_EQ(1, r.Read<BYTE>()); // DEFAULT_CHARSET
        EXPECT_EQ(L"MS Shell Dlg", r.ReadString());

        r.AlignToDword();
        EXPECT_EQ(0u, r.Read<DWORD>()); // help id
        EXPECT_EQ(0u, r.Read<DWORD>()); // extended style
        EXPECT_EQ(0x50020000u, r.Read<DWORD>());
        EXPECT_EQ(7, r.Read<short>());
        EXPECT_EQ(7, r.Read<short>());
        EXPECT_EQ(201, r.Read<short>());
        EXPECT_EQ(28, r.Read<short>());
        EXPECT_EQ(0xFFFFFFFFu, r.Read<DWORD>());   // id -1
        EXPECT_EQ(L"#130", r.ReadNameOrOrdinal()); // static
        EXPECT_EQ(t.initialText, r.ReadNameOrOrdinal());
        EXPECT_EQ(0, r.Read<WORD>()); // no creation data
    }
}

// One string of a string-table block: counted strings, sixteen to a block.
std::wstring StringFromBlock(const std::vector<BYTE>& block, UINT id)
{
    TemplateReader r(block);
    for (UINT i = 0; i < id % 16; ++i)
    {
        const WORD length = r.Read<WORD>();
        for (WORD k = 0; k < length; ++k)
            r.Read<wchar_t>();
    }
    std::wstring text(r.Read<WORD>(), L'\0');
    for (wchar_t& c : text)
        c = r.Read<wchar_t>();
    return text;
}

TEST_F(ProgramResources, StringsInEveryLanguage)
{
    for (const UINT id : {IDS_INITIALIZING, IDS_SYSTEM_NOT_SUPPORTED})
        EXPECT_EQ(std::set<WORD>(std::begin(kLanguages), std::end(kLanguages)),
                  file.Languages(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1)))
            << id;
    for (const Texts& t : kTexts)
    {
        SCOPED_TRACE(t.language);
        const auto text = [&](UINT id)
        {
            return StringFromBlock(
                file.Resource(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), t.language), id);
        };
        EXPECT_EQ(t.string104, text(IDS_INITIALIZING));
        EXPECT_EQ(t.string129, text(IDS_SYSTEM_NOT_SUPPORTED));
    }
}

// The usage text is read in whichever language the run has: each of its
// strings exists in all three.
TEST_F(ProgramResources, UsageTextInEveryLanguage)
{
    for (const WORD language : kLanguages)
    {
        for (UINT id = IDS_USAGE_HEADER; id <= IDS_USAGE_USAGE; ++id)
        {
            const std::vector<BYTE> block =
                file.Resource(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
            ASSERT_FALSE(block.empty()) << language << " " << id;
            EXPECT_FALSE(StringFromBlock(block, id).empty()) << language << " " << id;
        }
    }
}

TEST_F(ProgramResources, IconGroupHasFifteenImagesPerLanguage)
{
    EXPECT_EQ(std::set<WORD>(std::begin(kLanguages), std::end(kLanguages)),
              file.Languages(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_QVSETUP)));
    std::set<std::pair<int, int>> expected; // size, bits per pixel
    for (const int size : {16, 24, 32, 48, 256})
        for (const int bits : {4, 8, 32})
            expected.insert({size, bits});

    for (const WORD language : kLanguages)
    {
        SCOPED_TRACE(language);
        const std::vector<BYTE> group =
            file.Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_QVSETUP), language);
        ASSERT_FALSE(group.empty());
        TemplateReader r(group);
        EXPECT_EQ(0, r.Read<WORD>());
        EXPECT_EQ(1, r.Read<WORD>()); // icons, not cursors
        const WORD count = r.Read<WORD>();
        EXPECT_EQ(15, count);
        std::set<std::pair<int, int>> found;
        for (WORD i = 0; i < count; ++i)
        {
            const int width = r.Read<BYTE>();
            const int height = r.Read<BYTE>();
            r.Read<BYTE>(); // colour count
            r.Read<BYTE>();
            EXPECT_EQ(1, r.Read<WORD>()); // planes
            const int bits = r.Read<WORD>();
            const DWORD size = r.Read<DWORD>();
            const WORD id = r.Read<WORD>();
            EXPECT_EQ(width, height);
            found.insert({width == 0 ? 256 : width, bits});
            // Each image lies beside its group, in the same language.
            EXPECT_EQ(size, file.Resource(RT_ICON, MAKEINTRESOURCEW(id), language).size())
                << "image " << id;
        }
        EXPECT_EQ(expected, found);
    }
}

std::wstring VersionString(std::vector<BYTE>& block, const std::wstring& path)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr)
        return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

TEST_F(ProgramResources, VersionInEveryLanguage)
{
    EXPECT_EQ(std::set<WORD>(std::begin(kLanguages), std::end(kLanguages)),
              file.Languages(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO)));
    const int* v = BuildInfo::kVersion;
    const std::wstring versionText = std::to_wstring(v[0]) + L"." + std::to_wstring(v[1]) + L"." +
                                     std::to_wstring(v[2]) + L"." + std::to_wstring(v[3]);
    for (const Texts& t : kTexts)
    {
        SCOPED_TRACE(t.language);
        std::vector<BYTE> block =
            file.Resource(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), t.language);
        ASSERT_FALSE(block.empty());

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(v[1], v[0])), fixed->dwFileVersionMS);
        EXPECT_EQ(static_cast<DWORD>(MAKELONG(v[3], v[2])), fixed->dwFileVersionLS);
        EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
        EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
        EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        ASSERT_EQ(4u, length);
        EXPECT_EQ(t.language, translation[0]);
        EXPECT_EQ(1200, translation[1]);

        const std::wstring strings = std::wstring(L"\\StringFileInfo\\") + t.versionBlock + L"\\";
        EXPECT_EQ(t.fileDescription, VersionString(block, strings + L"FileDescription"));
        EXPECT_EQ(versionText, VersionString(block, strings + L"FileVersion"));
        EXPECT_EQ(versionText, VersionString(block, strings + L"ProductVersion"));
        EXPECT_EQ(L"QvSetup.exe", VersionString(block, strings + L"InternalName"));
        EXPECT_EQ(L"QvSetup.exe", VersionString(block, strings + L"OriginalFilename"));
        EXPECT_EQ(L"Quorvel", VersionString(block, strings + L"ProductName"));
    }
}

TEST_F(ProgramResources, ManifestRequiresAdministratorOnSupportedSystems)
{
    const std::set<WORD> languages =
        file.Languages(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    ASSERT_EQ(1u, languages.size()); // the loader uses one manifest
    const std::vector<BYTE> bytes =
        file.Resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, *languages.begin());
    const std::string manifest(bytes.begin(), bytes.end());
    const char* required[] = {
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // Windows 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // Windows 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // Windows 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // Windows 10
    };
    for (const char* text : required)
        EXPECT_NE(std::string::npos, manifest.find(text)) << text;
}
} // namespace
