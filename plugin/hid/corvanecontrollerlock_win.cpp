// SPDX-License-Identifier: GPL-3.0-or-later
// The claim on Windows: a semaphore of one in the Global\ namespace, which
// every logon session of the machine shares. A semaphore rather than a mutex:
// a mutex belongs to the thread that took it and lets that thread take it
// again, where the claim must refuse a second taker in the same process and
// may be let go from another thread. A named kernel object rather than a
// file: it goes with its last handle, so a holder that dies leaves nothing
// behind, and it needs no machine-wide folder whose rights the per-user
// installer could not set.
#include "corvanecontrollerlock.h"

#include <QCryptographicHash>

#include <windows.h>

#include <sddl.h>

namespace {

constexpr DWORD ClaimAccess = SYNCHRONIZE | SEMAPHORE_MODIFY_STATE;

std::wstring semaphoreName(const QString &node)
{
    const QByteArray digest = QCryptographicHash::hash(node.toLower().toUtf8(), QCryptographicHash::Sha256).toHex();
    return (QStringLiteral("Global\\corvane-controller-") + QString::fromLatin1(digest)).toStdWString();
}

// Every user may take and give back the claim, whoever made the semaphore:
// another user's claim must hold off this one, never lock it out.
HANDLE createOrOpenClaim(const QString &node)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100002;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    HANDLE semaphore = CreateSemaphoreExW(&attributes, 1, 1, semaphoreName(node).c_str(), 0, ClaimAccess);
    LocalFree(descriptor);
    return semaphore;
}

bool take(HANDLE semaphore)
{
    return WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0;
}

} // namespace

CorvaneControllerLock::CorvaneControllerLock(const QString &devPath)
    : m_devPath(devPath)
{
}

CorvaneControllerLock::~CorvaneControllerLock()
{
    if (!m_semaphore)
        return;
    ReleaseSemaphore(m_semaphore, 1, nullptr);
    CloseHandle(m_semaphore);
}

bool CorvaneControllerLock::tryLock()
{
    if (m_semaphore)
        return true;
    const QString node = nodeOf(m_devPath);
    HANDLE semaphore = node.isEmpty() ? nullptr : createOrOpenClaim(node);
    if (!semaphore)
        return false;
    if (!take(semaphore)) {
        CloseHandle(semaphore);
        return false;
    }
    m_semaphore = semaphore;
    return true;
}

// A semaphore does not know who took it: the holder stays unnamed here.
QString CorvaneControllerLock::holder(const QString &devPath)
{
    const QString node = nodeOf(devPath);
    if (node.isEmpty())
        return QString();
    HANDLE semaphore = OpenSemaphoreW(ClaimAccess, FALSE, semaphoreName(node).c_str());
    if (!semaphore)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? QString() : QStringLiteral("another program");
    const bool free = take(semaphore);
    if (free)
        ReleaseSemaphore(semaphore, 1, nullptr);
    CloseHandle(semaphore);
    return free ? QString() : QStringLiteral("another program");
}
