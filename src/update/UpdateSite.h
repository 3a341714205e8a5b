#pragma once

#include <QString>
#include <QtGlobal>

// Where the update check goes: the one place that names the vendor's web server and home page.
//
// VORLO_UPDATE_URL, when set and not empty, replaces the whole URL of the update notice, so
// tests can point the check at a server on loopback. The program never sets it.
namespace UpdateSite {

inline constexpr char Host[] = "vorlo.example.org";
inline constexpr char HomePage[] = "https://vorlo.example.org/";
inline constexpr char NoticePath[] = "/pub/upd_16.txt";
// Sent as the referer of the request: the program's version tag.
inline constexpr char VersionTag[] = "Vorlo 16";

inline QString noticeUrl()
{
    const QString overridden = qEnvironmentVariable("VORLO_UPDATE_URL");
    if (!overridden.isEmpty())
        return overridden;
    return QLatin1String("http://") + QLatin1String(Host) + QLatin1String(NoticePath);
}

} // namespace UpdateSite
