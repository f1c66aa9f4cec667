// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/autostartentry.h"

#include "platform/platformlogging.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString EntryName = QStringLiteral("CorvaneController1.desktop");

QString configHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

// Inside a quoted Exec argument these four must carry a backslash.
QString quotedArgument(const QString &text)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

// The general escapes of string values, which readers undo before the quoting.
QString escapedValue(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': escaped += QStringLiteral("\\\\"); break;
        case '\n': escaped += QStringLiteral("\\n"); break;
        case '\t': escaped += QStringLiteral("\\t"); break;
        case '\r': escaped += QStringLiteral("\\r"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

QByteArray entryContents(const QString &programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Corvane Control\n"
                          "Exec=%1\n"
                          "Icon=corvane-control\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(AutoStartEntry::execValue(programPath))
        .toUtf8();
}

} // namespace

AutoStartEntry::AutoStartEntry(const QString &programPath)
    : m_programPath(programPath)
    , m_location(configHome() + QStringLiteral("/autostart/") + EntryName)
{
}

QString AutoStartEntry::location() const
{
    return m_location;
}

bool AutoStartEntry::isAutoStartEnabled() const
{
    return QFileInfo::exists(m_location);
}

// Written atomically, so that a failed write leaves the entry as it was.
bool AutoStartEntry::enableAutoStart(bool enable) const
{
    qCDebug(lcCorvanePlatform, "%s", qUtf8Printable(m_programPath));
    if (!enable)
        return QFile::remove(m_location) || !QFileInfo::exists(m_location);
    if (!QDir().mkpath(QFileInfo(m_location).path()))
        return false;
    QSaveFile file(m_location);
    return file.open(QIODevice::WriteOnly) && file.write(entryContents(m_programPath)) != -1 && file.commit();
}

QString AutoStartEntry::execValue(const QString &programPath)
{
    QString value = escapedValue(quotedArgument(programPath));
    // A lone '%' would start a field code.
    return value.replace(u'%', QStringLiteral("%%"));
}
