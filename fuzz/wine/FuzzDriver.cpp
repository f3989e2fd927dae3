// In-process mutation driver for the fuzz targets that need Windows: the
// same LLVMFuzzerTestOneInput entry the native libFuzzer build calls, run
// under Wine (or Windows) for a bounded time. Inputs start from a seed
// corpus and a dictionary and are mutated at random; a crash, an abort (a
// library assertion or the stack protector), a broken invariant, an
// exception other than the program's own error, a case that runs too long or
// memory that grows past the limit is a finding, kept as a file in the
// findings folder.
//   QvFuzz<Target>.exe --name N --corpus DIR --findings DIR [--dict FILE]
//                      [--seconds S] [--case-seconds T] [--memory-mb M]
//                      [--max-len BYTES] [--seed N] [--runs N]
// Prints one line: "fuzz N: C cases, F findings (DIR)".
#include "FuzzInput.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

using Bytes = std::vector<uint8_t>;

namespace
{
struct Settings
{
    std::wstring name = L"target";
    std::wstring corpus;
    std::wstring findings = L"findings";
    std::wstring dictionary;
    double seconds = 60;
    double caseSeconds = 10;
    size_t memoryMb = 2048;
    size_t maxLength = 64 * 1024;
    unsigned long long seed = 0;
    unsigned long long runs = 0; // 0: until the time is up
};

// A broken invariant: reported through the driver, which goes on.
struct InvariantBroken : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

Settings settings;
// The case being run, for the handlers that save it when the process dies.
const Bytes* current = nullptr;
std::atomic<ULONGLONG> caseStart{0};
std::atomic<bool> finished{false};
unsigned long long findingCount = 0;

std::wstring HexHash(const Bytes& input)
{
    unsigned long long hash = 14695981039346656037ull; // FNV-1a
    for (uint8_t b : input)
        hash = (hash ^ b) * 1099511628211ull;
    wchar_t text[17] = {};
    _snwprintf(text, 16, L"%016llx", hash);
    return text;
}

// Writes the input as <findings>\<kind>-<hash> and says so on stderr.
void SaveFinding(const char* kind, const Bytes& input, const char* detail)
{
    ++findingCount;
    CreateDirectoryW(settings.findings.c_str(), nullptr);
    const std::wstring path = settings.findings + L"\\" +
                              std::wstring(kind, kind + std::strlen(kind)) + L"-" + HexHash(input);
    QvBase::CUniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file && !input.empty())
        WriteFile(file.Get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    std::fprintf(stderr, "finding: %s (%s): %ls\n", kind, detail, path.c_str());
    std::fflush(stderr);
}

// The process cannot go on: keep the case and end with the findings so far.
[[noreturn]] void Die(const char* kind, const char* detail)
{
    if (current != nullptr)
        SaveFinding(kind, *current, detail);
    std::fprintf(stdout, "fuzz %ls: stopped by a finding, %llu findings (%ls)\n",
                 settings.name.c_str(), findingCount, settings.findings.c_str());
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    char detail[64] = {};
    _snprintf(detail, sizeof detail - 1, "exception 0x%08lX", info->ExceptionRecord->ExceptionCode);
    Die("crash", detail);
}

void OnAbort(int)
{
    Die("abort", "abort()");
}

// Ends a case that runs too long or a process that grows too large.
void Watchdog()
{
    while (!finished)
    {
        Sleep(50);
        const ULONGLONG start = caseStart;
        if (start != 0 && GetTickCount64() - start > settings.caseSeconds * 1000)
            Die("timeout", "case ran too long");
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(GetCurrentProcess(),
                                 reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters) &&
            // Wine fills the page-file figure (anonymous resident memory) but
            // not always the private one; Windows gives both the commit.
            std::max(counters.PrivateUsage, counters.PagefileUsage) >
                settings.memoryMb * 1024 * 1024)
            Die("oom", "memory limit");
    }
}

Bytes ReadFileBytes(const std::wstring& path)
{
    Bytes bytes;
    QvBase::CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (64 << 20))
        return bytes;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        read = 0;
    bytes.resize(read);
    return bytes;
}

std::vector<Bytes> ReadCorpus(const std::wstring& folder)
{
    std::vector<Bytes> corpus;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return corpus;
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            corpus.push_back(ReadFileBytes(folder + L"\\" + found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return corpus;
}

// A libFuzzer dictionary: one "quoted token" a line, with \\, \" and \xNN.
std::vector<Bytes> ReadDictionary(const std::wstring& path)
{
    std::vector<Bytes> tokens;
    const Bytes text = ReadFileBytes(path);
    size_t i = 0;
    while (i < text.size())
    {
        size_t end = i;
        while (end < text.size() && text[end] != '\n')
            ++end;
        size_t q = i;
        while (q < end && text[q] != '"')
            ++q;
        if (q < end && text[i] != '#')
        {
            Bytes token;
            for (size_t k = q + 1; k < end && text[k] != '"'; ++k)
            {
                if (text[k] == '\\' && k + 1 < end && text[k + 1] == 'x' && k + 3 < end)
                {
                    const char hex[3] = {static_cast<char>(text[k + 2]),
                                         static_cast<char>(text[k + 3]), 0};
                    token.push_back(static_cast<uint8_t>(std::strtoul(hex, nullptr, 16)));
                    k += 3;
                }
                else if (text[k] == '\\' && k + 1 < end)
                    token.push_back(text[++k]);
                else
                    token.push_back(text[k]);
            }
            tokens.push_back(token);
        }
        i = end + 1;
    }
    return tokens;
}

class CMutator
{
public:
    CMutator(unsigned long long seed, std::vector<Bytes> dictionary)
        : random(seed), dictionary(std::move(dictionary))
    {
    }

    Bytes Mutate(const std::vector<Bytes>& pool)
    {
        Bytes input = pool.empty() ? Bytes() : pool[Below(pool.size())];
        const size_t steps = 1 + Below(4);
        for (size_t i = 0; i < steps; ++i)
            Step(input, pool);
        if (input.size() > settings.maxLength)
            input.resize(settings.maxLength);
        return input;
    }

private:
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(random() % n); }

    void Step(Bytes& input, const std::vector<Bytes>& pool)
    {
        const size_t at = Below(input.size() + 1);
        switch (Below(8))
        {
        case 0: // flip a bit
            if (!input.empty())
                input[Below(input.size())] ^= static_cast<uint8_t>(1u << Below(8));
            break;
        case 1: // a random byte, often an interesting one
        {
            static const uint8_t special[] = {0,   0xFF, '\r', '\n', '=', '[', ']', ';',
                                              '"', ' ',  '%',  '\\', ':', '-', '/', 0xFE};
            const uint8_t b =
                Below(2) ? special[Below(sizeof special)] : static_cast<uint8_t>(random());
            if (!input.empty() && Below(2))
                input[Below(input.size())] = b;
            else
                input.insert(input.begin() + at, b);
            break;
        }
        case 2: // delete a range
            if (!input.empty())
            {
                const size_t from = Below(input.size());
                const size_t count = 1 + Below(std::min<size_t>(input.size() - from, 64));
                input.erase(input.begin() + from, input.begin() + from + count);
            }
            break;
        case 3:
        case 4: // a dictionary token
            if (!dictionary.empty())
            {
                const Bytes& token = dictionary[Below(dictionary.size())];
                input.insert(input.begin() + at, token.begin(), token.end());
            }
            break;
        case 5: // repeat a range: long lines, many keys, large sections
            if (!input.empty())
            {
                const size_t from = Below(input.size());
                const size_t count = 1 + Below(std::min<size_t>(input.size() - from, 256));
                const Bytes chunk(input.begin() + from, input.begin() + from + count);
                const size_t times = 1 + Below(Below(8) == 0 ? 4096 : 16);
                for (size_t t = 0; t < times && input.size() < settings.maxLength; ++t)
                    input.insert(input.begin() + from, chunk.begin(), chunk.end());
            }
            break;
        case 6: // splice in a piece of another input
            if (!pool.empty())
            {
                const Bytes& other = pool[Below(pool.size())];
                if (!other.empty())
                {
                    const size_t from = Below(other.size());
                    const size_t count = 1 + Below(other.size() - from);
                    input.insert(input.begin() + at, other.begin() + from,
                                 other.begin() + from + count);
                }
            }
            break;
        default: // a decimal number, large ones included
        {
            static const char* const numbers[] = {"0",
                                                  "1",
                                                  "-1",
                                                  "2147483647",
                                                  "-2147483648",
                                                  "4294967295",
                                                  "99999999999999999999",
                                                  "65536",
                                                  "1e9"};
            const char* n = numbers[Below(sizeof numbers / sizeof numbers[0])];
            input.insert(input.begin() + at, n, n + std::strlen(n));
            break;
        }
        }
    }

    std::mt19937_64 random;
    std::vector<Bytes> dictionary;
};

// One case; the findings that leave the process running are counted here.
void RunCase(const Bytes& input)
{
    current = &input;
    caseStart = GetTickCount64();
    try
    {
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    catch (const InvariantBroken& e)
    {
        SaveFinding("invariant", input, e.what());
    }
    catch (const QvBase::CQvError&)
    {
        // The program's own error: bad input answered as it should be.
    }
    catch (const std::exception& e)
    {
        SaveFinding("exception", input, e.what());
    }
    catch (...)
    {
        SaveFinding("exception", input, "unknown exception");
    }
    caseStart = 0;
    current = nullptr;
}

bool ParseArguments(int argc, wchar_t** argv)
{
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::wstring option = argv[i];
        const wchar_t* value = argv[i + 1];
        if (option == L"--name")
            settings.name = value;
        else if (option == L"--corpus")
            settings.corpus = value;
        else if (option == L"--findings")
            settings.findings = value;
        else if (option == L"--dict")
            settings.dictionary = value;
        else if (option == L"--seconds")
            settings.seconds = _wtof(value);
        else if (option == L"--case-seconds")
            settings.caseSeconds = _wtof(value);
        else if (option == L"--memory-mb")
            settings.memoryMb = _wcstoui64(value, nullptr, 10);
        else if (option == L"--max-len")
            settings.maxLength = _wcstoui64(value, nullptr, 10);
        else if (option == L"--seed")
            settings.seed = _wcstoui64(value, nullptr, 10);
        else if (option == L"--runs")
            settings.runs = _wcstoui64(value, nullptr, 10);
        else
            return false;
    }
    return argc % 2 == 1;
}
} // namespace

[[noreturn]] void QvFuzz::Fail(const char* what)
{
    throw InvariantBroken(what);
}

int wmain(int argc, wchar_t** argv)
{
    if (!ParseArguments(argc, argv))
    {
        std::fprintf(stderr, "usage: see the comment at the top of FuzzDriver.cpp\n");
        return 2;
    }
    // No error boxes: a fault must end the process, never wait for a click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    std::signal(SIGABRT, OnAbort);
    std::set_terminate([] { Die("abort", "std::terminate"); });
    if (settings.seed == 0)
        settings.seed =
            GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);

    std::vector<Bytes> pool = ReadCorpus(settings.corpus);
    const size_t seeds = pool.size();
    std::thread watchdog(Watchdog);

    unsigned long long cases = 0;
    for (const Bytes& seed : std::vector<Bytes>(pool))
    {
        RunCase(seed);
        ++cases;
    }
    CMutator mutator(settings.seed, ReadDictionary(settings.dictionary));
    std::mt19937_64 keep(settings.seed + 1);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(settings.seconds * 1000);
    while (settings.runs != 0 ? cases < settings.runs : GetTickCount64() < end)
    {
        const Bytes input = mutator.Mutate(pool);
        RunCase(input);
        ++cases;
        // Without coverage feedback, some mutants stay to be mutated further.
        if (keep() % 16 == 0)
        {
            if (pool.size() < seeds + 512)
                pool.push_back(input);
            else
                pool[seeds + keep() % 512] = input;
        }
    }
    finished = true;
    watchdog.join();
    std::printf("fuzz %ls: %llu cases, %llu findings (%ls), seed %llu\n", settings.name.c_str(),
                cases, findingCount, settings.findings.c_str(), settings.seed);
    return findingCount == 0 ? 0 : 1;
}
