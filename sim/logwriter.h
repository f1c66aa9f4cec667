// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>

namespace CorvaneSim {

struct LogEntry;

/// Appends log lines to a file, each flushed at once so that a reader sees
/// every exchange even when the process is killed.
class LogWriter final
{
public:
    /// An empty @p fileName writes nothing; a file that cannot be opened is reported once.
    explicit LogWriter(const QString &fileName);

    void write(const LogEntry &entry);

private:
    QFile m_file;
};

} // namespace CorvaneSim
