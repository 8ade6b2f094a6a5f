#pragma once

#include <windows.h>
#include <fdi.h>

#include <exception>
#include <string>

#include "lib/Handles.h"

namespace Cabinet {

// What the owner learns about a file before it is written.
struct FileRecord {
    std::wstring fileName;        // without folder
    std::wstring relativeFolder;  // inside the cabinet, with a trailing backslash; empty for the root
    std::wstring storedPath;      // as stored in the cabinet
    std::wstring targetFolder;    // full, with a trailing backslash
    std::wstring targetPath;      // full
    unsigned long size = 0;
    FILETIME time = {};           // the stored date and time, as stored
    unsigned short attributes = 0;
};

struct CabinetInfo {
    std::wstring nextCabinet;
    std::wstring nextDisk;
    std::wstring path;
    unsigned short setId = 0;
    unsigned short index = 0;
};

// True to extract the file, false to skip it.
using BeforeCopyNotify = bool (*)(const FileRecord& file, void* user);
// After the file is closed and its times and attributes are set.
using AfterCopyNotify = void (*)(const std::wstring& targetPath, void* user);
using CabinetInfoNotify = void (*)(const CabinetInfo& info, void* user);
using NextCabinetNotify = void (*)(const std::wstring& name, void* user);

// Unpacks a cabinet set into a folder through the platform's decompressor.
// The decompressor's callbacks carry no context, so the instance active on a
// thread sits in a thread-local slot: an instance is bound to the thread that
// made it, and one thread has at most one initialised instance at a time.
class CExtract {
public:
    CExtract();
    virtual ~CExtract();
    CExtract(const CExtract&) = delete;
    CExtract& operator=(const CExtract&) = delete;

    bool Initialise();
    // Unpacks the cabinet and every later cabinet of its set; true when no
    // error was recorded. An exception thrown by a notification comes out here.
    bool ExtractFile(const std::wstring& cabinet, const std::wstring& target, void* user);
    std::wstring LastErrorText() const;
    // The code LastErrorText describes (0 when there was no error).
    int LastErrorCode() const;
    // Destroys the context; must run on the creating thread.
    bool CleanUp();

    void SetBeforeCopyNotify(BeforeCopyNotify notify) { m_beforeCopy = notify; }
    void SetAfterCopyNotify(AfterCopyNotify notify) { m_afterCopy = notify; }
    void SetCabinetInfoNotify(CabinetInfoNotify notify) { m_cabinetInfo = notify; }
    void SetNextCabinetNotify(NextCabinetNotify notify) { m_nextCabinetNotify = notify; }

    // Makes every further notification fail; the file being written is removed.
    virtual void Abort();

protected:
    virtual UINT Read(INT_PTR file, void* buffer, UINT count);
    virtual UINT Write(INT_PTR file, void* buffer, UINT count);
    virtual int Close(INT_PTR file);
    virtual long Seek(INT_PTR file, long distance, int origin);
    // Flags and mode as the C runtime's open takes them.
    virtual INT_PTR Open(const std::wstring& path, int flags, int mode);
    // Creates the folder of a file about to be written, with its missing
    // parents; the platform's error, or 0.
    virtual DWORD CreateTargetFolder(const std::wstring& folder);
    // A file being written that cannot be finished: closes it (unless -1)
    // and removes it (unless the path is empty).
    virtual void DiscardOutput(INT_PTR file, const std::wstring& path);

private:
    using CreateFunction = decltype(&::FDICreate);
    using CopyFunction = decltype(&::FDICopy);
    using IsCabinetFunction = decltype(&::FDIIsCabinet);
    using DestroyFunction = decltype(&::FDIDestroy);

    static CExtract* Active();
    static FNALLOC(AllocCallback);
    static FNFREE(FreeCallback);
    static FNOPEN(OpenCallback);
    static FNREAD(ReadCallback);
    static FNWRITE(WriteCallback);
    static FNCLOSE(CloseCallback);
    static FNSEEK(SeekCallback);
    static FNFDINOTIFY(NotifyCallback);

    bool LoadEntryPoints();
    bool IsCreatingThread();
    bool CopyCabinets(const std::string& folder, std::wstring name);
    void FinishOutput();

    INT_PTR Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification);
    INT_PTR OnCabinetInfo(PFDINOTIFICATION notification);
    INT_PTR OnCopyFile(PFDINOTIFICATION notification);
    INT_PTR OnCloseFile(PFDINOTIFICATION notification);
    INT_PTR OnNextCabinet(PFDINOTIFICATION notification);
    bool SetStoredTimeAndAttributes(INT_PTR file, USHORT date, USHORT time, USHORT attributes);

    void ResetError();
    bool HasError() const;
    // Keeps the first error: later ones are its consequences.
    void SetPending(int code, int systemError = 0, const std::wstring& detail = std::wstring());

    DWORD m_thread;
    Kestlib::ModuleHandle m_module;
    CreateFunction m_create = nullptr;
    CopyFunction m_copy = nullptr;
    IsCabinetFunction m_isCabinet = nullptr;
    DestroyFunction m_destroy = nullptr;
    HFDI m_context = nullptr;

    ERF m_platformError = {};
    int m_pendingCode = 0;
    int m_pendingSystemError = 0;
    std::wstring m_errorDetail;
    std::exception_ptr m_notifyFailure;

    std::wstring m_target;
    std::wstring m_nextCabinet;
    bool m_cabinetInfoSeen = false;
    INT_PTR m_output = -1;
    std::wstring m_outputPath;
    void* m_user = nullptr;
    bool m_aborted = false;

    BeforeCopyNotify m_beforeCopy = nullptr;
    AfterCopyNotify m_afterCopy = nullptr;
    CabinetInfoNotify m_cabinetInfo = nullptr;
    NextCabinetNotify m_nextCabinetNotify = nullptr;
};

}  // namespace Cabinet
