#pragma once

// The install context: the one object that the setup program hands to the
// installer engine QvInstMain.dll. The engine is built apart from the program
// and calls these operations through the virtual table, so their order, their
// parameter and result types are a contract: never reorder or change them.
#include <windows.h>

#include <list>
#include <memory>
#include <string>

#include "MsgWriter.h"
#include "QvResponseFile.h"

// Defined by the installer engine: the one object it keeps in the context.
class CEngineSharedObject;

// A number of the engine's meaning and a text; the program only keeps them.
struct ContextMessage
{
    int number = 0;
    std::wstring text;
};

class CInstallContext
{
public:
    CInstallContext();
    CInstallContext(const CInstallContext&) = delete;
    CInstallContext& operator=(const CInstallContext&) = delete;

    // Releases the response file first, then the default writer, then the
    // rest; the writer set from outside and the window are not owned.
    virtual ~CInstallContext();
    // The writer set from outside, else the default one; never null.
    virtual IMsgWriter* GetMsgWriter();
    // Null restores the default writer.
    virtual void SetMsgWriter(IMsgWriter* writer);
    virtual HWND GetWindow();
    virtual void SetWindow(HWND window);
    virtual std::wstring GetLocaleName();
    virtual void SetLocaleName(const wchar_t* name);
    // Taken from the response file's "Source" while the field is empty.
    virtual std::wstring GetSource();
    // Also stored as the response file's "Source".
    virtual void SetSource(const wchar_t* dir);
    // GetSource() and "failed" with one backslash between them.
    virtual std::wstring GetFailedDir();
    // Taken from the response file's "SourceRoot" while the field is empty.
    virtual std::wstring GetSourceRoot();
    // Also stored as the response file's "SourceRoot".
    virtual void SetSourceRoot(const wchar_t* dir);
    // Created on first use; the same object for the context's whole life.
    virtual std::shared_ptr<QvInstall::IResponseFile> GetResponseFile();
    virtual bool IsSilent();
    virtual void SetSilent(bool silent);
    // The response file's patch directories, in order.
    virtual QvInstall::PatchList GetPatches();
    virtual void SetSharedObject(std::shared_ptr<CEngineSharedObject> object);
    virtual std::shared_ptr<CEngineSharedObject> GetSharedObject();
    // The live list: the engine may read and change it.
    virtual std::list<ContextMessage>& GetMessages();
    virtual void AddMessage(const ContextMessage& message);

private:
    std::list<ContextMessage> messages;
    std::shared_ptr<CEngineSharedObject> sharedObject;
    std::unique_ptr<IMsgWriter> defaultWriter;
    IMsgWriter* msgWriter = nullptr;
    std::shared_ptr<QvInstall::IResponseFile> responseFile;
    HWND window = nullptr;
    std::wstring localeName;
    std::wstring source;
    std::wstring sourceRoot;
    bool silent = false;
};

// The engine's export "QvInstMain" of QvInstMain.dll. A return means success
// (the value is not used); a failure is raised as QvBase::CQvError.
using QvInstMainFunction = unsigned int (*)(std::shared_ptr<CInstallContext> context);

// The engine's module, its export and its language files
// (<language>\QvInstMain.dll.mui beside the module).
constexpr const wchar_t* kEngineModuleName = L"QvInstMain.dll";
constexpr const char* kEngineExportName = "QvInstMain";
constexpr const wchar_t* kEngineLanguageFileName = L"QvInstMain.dll.mui";
