// SPDX-License-Identifier: GPL-3.0-or-later
#include "logwriter.h"

#include "corvanesim.h"
#include "simlogging.h"

namespace CorvaneSim {

LogWriter::LogWriter(const QString &fileName)
    : m_file(fileName)
{
    if (fileName.isEmpty())
        return;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        qCWarning(lcCorvaneSim, "cannot write the log %s: %s", qPrintable(fileName),
                  qPrintable(m_file.errorString()));
}

void LogWriter::write(const LogEntry &entry)
{
    if (!m_file.isOpen())
        return;
    m_file.write(entry.toLine().toLatin1() + '\n');
    m_file.flush();
}

} // namespace CorvaneSim
