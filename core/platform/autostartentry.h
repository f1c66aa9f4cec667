// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The per-user entry "CorvaneController1" that starts the program at log-in.
 *
 * On Linux it is the XDG autostart entry CorvaneController1.desktop in
 * $XDG_CONFIG_HOME/autostart (~/.config/autostart when that variable is unset,
 * empty or relative), read when the object is made. On Windows it is the
 * string value of that name under
 * HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
 * Auto-start counts as on whenever the entry exists, whatever it holds, so an
 * entry written by hand is honoured too.
 */
class AutoStartEntry final
{
public:
    /// @p programPath is the program that the entry starts, usually QCoreApplication::applicationFilePath().
    explicit AutoStartEntry(const QString &programPath);

    /// Where the entry lives: the desktop entry's full path, or the registry value's full name.
    QString location() const;

    /// True when the entry exists.
    bool isAutoStartEnabled() const;

    /**
     * Writes the entry or removes it. Returns true when the entry is then
     * present or absent as asked; false, with the entry as it was, when its
     * place cannot be made or written.
     */
    bool enableAutoStart(bool enable) const;

    /// @p programPath as the entry's command: one quoted argument, in the form the platform's entry takes.
    static QString execValue(const QString &programPath);

private:
    QString m_programPath;
    QString m_location;
};
