// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledlawsnapshot.h"

#include "corvaneledlawreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

constexpr qint64 ReadLimit = CorvaneLEDLawReader::MaxFileSize;

// One open and one read. On POSIX the open does not wait (a FIFO would wait
// for a writer) and the check is made on what was opened, not on the name,
// which may point elsewhere by then.
std::optional<QByteArray> readRegularFile(const QString &path)
{
#ifdef Q_OS_WIN
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
#endif
    return file.read(ReadLimit);
}

} // namespace

std::unique_ptr<LedLawSnapshot> LedLawSnapshot::take(const QString &path)
{
    const std::optional<QByteArray> bytes = readRegularFile(path);
    CorvaneLEDLaw law;
    if (!bytes || !CorvaneLEDLawReader::readPlayable(*bytes, &law))
        return nullptr;
    std::unique_ptr<LedLawSnapshot> snapshot(new LedLawSnapshot);
    snapshot->m_copy.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("corvane-led-law-XXXXXX.adl")));
    if (!snapshot->m_copy.open() || snapshot->m_copy.write(*bytes) != bytes->size() || !snapshot->m_copy.flush())
        return nullptr;
    return snapshot;
}
