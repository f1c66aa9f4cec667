// SPDX-License-Identifier: GPL-3.0-or-later
#include "utilitiespanel.h"

#include "platform/platformlogging.h"
#include "platform/programenvironment.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QSettings>

#include <optional>

namespace {

const char ExecProperty[] = "Exec";
const char PathProperty[] = "Path";

std::optional<UtilitiesPanel::Launcher> readEntry(const QString &entryPath, const QDir &programDir)
{
    QSettings entry(entryPath, QSettings::IniFormat);
    // Desktop entries are UTF-8 by definition.
    entry.setIniCodec("UTF-8");
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const QString type = entry.value(QStringLiteral("Type")).toString();
    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    const QString path = entry.value(QStringLiteral("Path")).toString();
    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    const bool terminal = entry.value(QStringLiteral("Terminal"), true).toBool();
    if (type != QLatin1String("Application") || exec.isEmpty() || terminal)
        return std::nullopt;
    return UtilitiesPanel::Launcher{
        programDir.absoluteFilePath(exec),
        QDir::fromNativeSeparators(programDir.absolutePath() + QLatin1Char('/') + path),
        programDir.absoluteFilePath(icon),
    };
}

QPushButton *makeButton(const UtilitiesPanel::Launcher &launcher, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFlat(true);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    button->setMinimumSize(54, 54);
    button->setMaximumSize(54, 54);
    button->setIconSize(QSize(48, 48));
    qCDebug(lcCorvanePlatform, "%s", qUtf8Printable(launcher.icon));
    button->setIcon(QPixmap(launcher.icon));
    button->setProperty(ExecProperty, launcher.exec);
    button->setProperty(PathProperty, launcher.workingDirectory);
    return button;
}

} // namespace

UtilitiesPanel::UtilitiesPanel(const QString &programDir)
{
    const QDir program(programDir);
    QDir entries(program);
    m_folderFound = entries.cd(QStringLiteral("utilities")) && entries.cd(QStringLiteral("desktop"));
    if (!m_folderFound)
        return;
    const QStringList names = entries.entryList({QStringLiteral("*.desktop")}, QDir::Files);
    for (const QString &name : names) {
        if (const auto launcher = readEntry(entries.filePath(name), program))
            m_launchers.append(*launcher);
    }
}

void UtilitiesPanel::build(QWidget *frame, QButtonGroup *group) const
{
    if (!m_folderFound)
        return;
    auto *grid = new QGridLayout(frame);
    for (int i = 0; i < m_launchers.size(); ++i) {
        QPushButton *button = makeButton(m_launchers.at(i), frame);
        grid->addWidget(button, i / ButtonsPerRow, i % ButtonsPerRow, 1, 1);
        group->addButton(button);
    }
}

bool UtilitiesPanel::launch(const QAbstractButton *button)
{
    QProcess process;
    process.setProgram(button->property(ExecProperty).toString());
    process.setWorkingDirectory(button->property(PathProperty).toString());
    process.setProcessEnvironment(ProgramEnvironment::forStartedPrograms());
    return process.startDetached();
}
