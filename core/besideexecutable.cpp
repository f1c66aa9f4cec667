// SPDX-License-Identifier: GPL-3.0-or-later
#include "besideexecutable.h"

#include <QCoreApplication>
#include <QDir>

QString besideExecutable(const QString& name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}
