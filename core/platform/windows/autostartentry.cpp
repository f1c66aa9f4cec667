// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/autostartentry.h"

#include "platform/platformlogging.h"

#include <qt_windows.h>

namespace {

const wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t ValueName[] = L"CorvaneController1";

// The Run key of the current user, opened with @p access; null when it cannot be.
HKEY openRunKey(REGSAM access)
{
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, RunKey, 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
}

LSTATUS writeValue(HKEY key, const QString &data)
{
    // With its terminating zero, which REG_SZ data must carry for every
    // reader to find its end. No fixed buffer: a long path is stored whole.
    const auto size = DWORD((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, ValueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(data.utf16()), size);
}

LSTATUS removeValue(HKEY key)
{
    const LSTATUS status = RegDeleteValueW(key, ValueName);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

} // namespace

AutoStartEntry::AutoStartEntry(const QString &programPath)
    : m_programPath(programPath)
    , m_location(QStringLiteral("HKEY_CURRENT_USER\\%1\\%2")
                     .arg(QString::fromWCharArray(RunKey), QString::fromWCharArray(ValueName)))
{
}

QString AutoStartEntry::location() const
{
    return m_location;
}

// The data is not read: a value that is too long for no buffer at all still exists.
bool AutoStartEntry::isAutoStartEnabled() const
{
    const HKEY key = openRunKey(KEY_READ);
    if (!key)
        return false;
    const LSTATUS status = RegQueryValueExW(key, ValueName, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

bool AutoStartEntry::enableAutoStart(bool enable) const
{
    const HKEY key = openRunKey(KEY_WRITE);
    if (!key)
        return false;
    qCDebug(lcCorvanePlatform, "%s", qUtf8Printable(m_programPath));
    const LSTATUS status = enable ? writeValue(key, execValue(m_programPath)) : removeValue(key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

QString AutoStartEntry::execValue(const QString &programPath)
{
    QString path = programPath;
    return u'"' + path.replace(u'/', u'\\') + u'"';
}
