// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

class QAbstractButton;
class QButtonGroup;
class QWidget;

/**
 * The Utilities launchers: desktop entries in utilities/desktop beside the
 * program turned into a grid of icon buttons that start accessory programs.
 *
 * An entry is used when its "Desktop Entry" group has Type=Application, a
 * non-empty Exec and Terminal=false (a missing Terminal counts as true).
 * Entries are taken in file-name order, ignoring case.
 */
class UtilitiesPanel final
{
public:
    /// One usable entry, its paths already resolved against the program's folder.
    struct Launcher
    {
        QString exec;             ///< absolute program path
        QString workingDirectory; ///< the program's folder + "/" + the entry's Path
        QString icon;             ///< absolute icon file path
    };

    static constexpr int ButtonsPerRow = 5;

    /// Reads the entries under @p programDir/utilities/desktop; a missing folder gives none.
    explicit UtilitiesPanel(const QString &programDir);

    /**
     * Puts one button per launcher into a new grid layout on @p frame, which
     * must not have a layout yet, row by row with ButtonsPerRow to a row, and
     * adds each to @p group with an automatic id. Each button carries its
     * launcher as the properties "Exec" and "Path". Without the utilities
     * folder nothing is made.
     */
    void build(QWidget *frame, QButtonGroup *group) const;

    /**
     * Starts the button's "Exec" detached, without arguments, in its "Path",
     * with the environment of ProgramEnvironment::forStartedPrograms(); true
     * when it started.
     */
    static bool launch(const QAbstractButton *button);

private:
    bool m_folderFound = false;
    QVector<Launcher> m_launchers;
};
