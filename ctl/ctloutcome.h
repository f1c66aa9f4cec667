// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// How a command ended: corvane-ctl's exit status and what it says on stderr.
struct CtlOutcome final
{
    enum Code {
        Done = 0,
        BadUsage = 1,       ///< bad arguments, with a usage line
        NoController = 2,   ///< no controller (or no panel, for what only the panel knows)
        DeviceFailed = 3,   ///< the controller refused or failed
        InUse = 4,          ///< another process has the controller open
    };

    Code code = Done;
    QString message;

    static CtlOutcome done() { return {}; }
    static CtlOutcome failed(Code code, const QString &message) { return {code, message}; }
    bool ok() const { return code == Done; }
};
