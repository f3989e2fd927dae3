#pragma once

// A distribution folder of a test's own: <root>\Setup\Client\x64 with the
// setup program and, unless left out, the sample engine and its language
// files. The root is removed with everything in it at the end.
#include <map>
#include <string>

namespace QvTest
{
class CTestDistribution
{
public:
    CTestDistribution(const std::wstring& root, bool withEngine = true);
    ~CTestDistribution();
    CTestDistribution(const CTestDistribution&) = delete;
    CTestDistribution& operator=(const CTestDistribution&) = delete;

    const std::wstring& Root() const { return root; }
    // The folder of QvSetup.exe, without a trailing backslash.
    const std::wstring& ProgramDir() const { return programDir; }
    std::wstring Setup() const { return programDir + L"\\QvSetup.exe"; }
    // Writes QvInst.rsp beside the program (UTF-16 with a byte-order mark,
    // as the profile functions read it).
    void WriteResponseFile(const std::wstring& text) const;

    // How a response file is saved: UTF-16 with a byte-order mark, or in the
    // ANSI code page, as an editor saves it by default.
    enum class Encoding
    {
        Utf16,
        Ansi,
    };
    // Writes QvInst.rsp at the root, where an SCCM install reads it.
    void WriteRootResponseFile(const std::wstring& text, Encoding encoding = Encoding::Utf16) const;
    // Adds what an SCCM run needs beside the program: the install agent, the
    // product package (the build's, unless another is named) and the product
    // service library; false when a copy failed.
    bool AddAgentAndPackage(const std::wstring& package = std::wstring()) const;

private:
    std::wstring root;
    std::wstring programDir;
};

// The sample engine's report: QVINSTMAIN_REPORT points at a file of the test
// for the lifetime of this object.
class CEngineReport
{
public:
    explicit CEngineReport(const std::wstring& path);
    ~CEngineReport();
    CEngineReport(const CEngineReport&) = delete;
    CEngineReport& operator=(const CEngineReport&) = delete;

    // "Name=Value" lines as a map; empty when the engine wrote none.
    std::map<std::wstring, std::wstring> Read() const;
    // The report as written, for failure messages.
    std::string Text() const;

private:
    std::wstring path;
};
} // namespace QvTest
