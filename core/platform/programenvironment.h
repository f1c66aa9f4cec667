// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>

/**
 * Environment variables that the program sets for itself only.
 *
 * They are set once, before the application object and with it any other
 * thread exists (changing the environment while other threads may read it is
 * not safe), and kept out of the environment of the programs that the panel
 * starts. A value the user set stays and is passed on.
 */
class ProgramEnvironment final
{
public:
    /**
     * Turns off the xcb platform's OpenGL integration unless the user chose
     * one. Call before the application object exists.
     */
    static void setBeforeApplication();

    /// This process's environment without what setBeforeApplication() added.
    static QProcessEnvironment forStartedPrograms();
};
