// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryFile>

#include <memory>

/**
 * An LED law file as it was when it was read, kept in a private copy whose
 * path the driver can take (the driver takes laws by path).
 *
 * The caller's file is opened once without waiting, so a FIFO or a device
 * put in its place never holds the reader up; it must be a regular file, is
 * read once, and only bytes that make a playable law are kept. The copy is
 * a temporary file this process made (owner-only, under an unguessable
 * name), which nobody else can change, and which goes with the snapshot.
 */
class LedLawSnapshot final
{
public:
    /// Null when @p path is not a regular file holding a playable law.
    static std::unique_ptr<LedLawSnapshot> take(const QString &path);

    /// The private copy, for the driver.
    QString path() const { return m_copy.fileName(); }

private:
    LedLawSnapshot() = default;

    QTemporaryFile m_copy;
};
