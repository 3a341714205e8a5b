#include "WinProcessLauncher.h"

#include <QDir>

#include <windows.h>

#include <vector>

bool WinProcessLauncher::start(const QString &commandLine, const QString &workingDir)
{
    if (commandLine.trimmed().isEmpty())
        return false;
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> line(commandLine.size() + 1, 0);
    commandLine.toWCharArray(line.data());
    const QString dir = QDir::toNativeSeparators(workingDir);
    std::vector<wchar_t> dirBuffer(dir.size() + 1, 0);
    dir.toWCharArray(dirBuffer.data());

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                                        dir.isEmpty() ? nullptr : dirBuffer.data(), &startup, &info);
    if (!started)
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}
