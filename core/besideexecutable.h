// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The path of @p name in the directory that holds the running executable
 * (symbolic links to the executable resolved); an absolute @p name is
 * returned unchanged. Needs a QCoreApplication.
 */
QString besideExecutable(const QString& name);
