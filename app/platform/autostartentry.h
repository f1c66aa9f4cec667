// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The per-user XDG autostart entry "CorvaneController1.desktop" that starts
 * the program at log-in.
 *
 * The entry lives in $XDG_CONFIG_HOME/autostart (~/.config/autostart when that
 * variable is unset, empty or relative), read when the object is made.
 * Auto-start counts as on whenever the entry exists, whatever it holds, so an
 * entry written by hand is honoured too.
 */
class AutoStartEntry final
{
public:
    /// @p programPath is the program that the entry starts, usually QCoreApplication::applicationFilePath().
    explicit AutoStartEntry(const QString &programPath);

    /// The entry's full path.
    QString filePath() const;

    /// True when the entry exists.
    bool isAutoStartEnabled() const;

    /**
     * Writes the entry (atomically) or removes it. Returns true when the
     * entry is then present or absent as asked; false, with the entry as it
     * was, when the folder cannot be made or written.
     */
    bool enableAutoStart(bool enable) const;

    /// @p programPath as the entry's Exec value: one quoted argument, escaped for the desktop entry format.
    static QString execValue(const QString &programPath);

private:
    QByteArray contents() const;

    QString m_programPath;
    QString m_directory;
};
