#include "WinShellLinks.h"

#include <QDir>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#ifdef _MSC_VER
#pragma comment(lib, "ole32")
#pragma comment(lib, "shell32")
#pragma comment(lib, "uuid")
#endif

namespace {

// Releases a COM interface at the end of its scope.
template <typename T>
struct ComPtr
{
    T *p = nullptr;
    ~ComPtr()
    {
        if (p)
            p->Release();
    }
};

} // namespace

QString WinShellLinks::folderPath(Folder folder)
{
    PWSTR path = nullptr;
    const KNOWNFOLDERID &id = folder == Folder::Programs ? FOLDERID_Programs : FOLDERID_Startup;
    QString result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        result = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return result;
}

bool WinShellLinks::create(Folder folder, const QString &subFolder, const Link &link)
{
    const QString base = folderPath(folder);
    if (base.isEmpty() || link.name.isEmpty() || link.name.contains(QLatin1Char('/'))
        || link.name.contains(QLatin1Char('\\')))
        return false;
    QString dir = base;
    if (!subFolder.isEmpty())
        dir += QLatin1Char('/') + subFolder;
    if (!QDir().mkpath(dir))
        return false;
    const QString file = QDir::toNativeSeparators(dir + QLatin1Char('/') + link.name + QLatin1String(".lnk"));

    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool saved = false;
    {
        ComPtr<IShellLinkW> shellLink;
        ComPtr<IPersistFile> persist;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void **>(&shellLink.p)))) {
            shellLink.p->SetPath(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(link.target).utf16()));
            shellLink.p->SetWorkingDirectory(
                reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(link.workingDir).utf16()));
            shellLink.p->SetShowCmd(SW_SHOWNORMAL);
            shellLink.p->SetArguments(reinterpret_cast<LPCWSTR>(link.arguments.utf16()));
            if (SUCCEEDED(shellLink.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&persist.p))))
                saved = SUCCEEDED(persist.p->Save(reinterpret_cast<LPCOLESTR>(file.utf16()), FALSE));
        }
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return saved;
}
