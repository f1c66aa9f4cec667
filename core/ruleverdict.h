// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * What ControllerRules answered to one user action: done, or refused with
 * the reason the user is told. Each front end turns the kind into its own
 * way of saying no (a D-Bus error name, an exit status) and passes the
 * reason on unchanged.
 */
struct RuleVerdict final
{
    enum Kind {
        Done,
        BadArgument,    ///< the request itself is wrong: a level out of range, an unreadable file
        NoController,   ///< no controller is connected, or only the panel can keep what was asked
        Refused,        ///< the controller or its present state does not allow it
    };

    Kind kind = Done;
    QString reason;

    static RuleVerdict done() { return {}; }
    static RuleVerdict refused(Kind kind, const QString &reason) { return {kind, reason}; }
    bool ok() const { return kind == Done; }
};
