// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctlcommand.h"

#include <QDir>

#include <cmath>

namespace {

using Kind = CtlCommand::Kind;

constexpr int ColourCount = 14;
constexpr double LongestWaitSeconds = 3600;

class Parser
{
public:
    Parser(QStringList words, QString *error) : m_words(std::move(words)), m_error(error) {}

    std::optional<CtlCommand> run()
    {
        if (!takeOptions())
            return std::nullopt;
        if (m_help)
            return CtlCommand{};
        if (m_words.isEmpty())
            return fail(QStringLiteral("no command given"));
        const QString name = m_words.takeFirst();
        if (!parseCommand(name))
            return std::nullopt;
        if (!m_words.isEmpty())
            return fail(QStringLiteral("unexpected '%1' after %2").arg(m_words.first(), name));
        if (m_command.json && !takesJson())
            return fail(QStringLiteral("--json goes with status, list, monitor and sensors only"));
        return m_command;
    }

private:
    std::nullopt_t fail(const QString &why)
    {
        *m_error = why;
        return std::nullopt;
    }

    // Options may stand anywhere; what remains are the command's words.
    bool takeOptions()
    {
        QStringList rest;
        for (int i = 0; i < m_words.size(); ++i) {
            const QString &word = m_words[i];
            if (word == QLatin1String("--json")) {
                m_command.json = true;
            } else if (word == QLatin1String("-h") || word == QLatin1String("--help")) {
                m_help = true;
            } else if (word == QLatin1String("--wait")) {
                bool ok = false;
                const double seconds = i + 1 < m_words.size() ? m_words[i + 1].toDouble(&ok) : 0;
                if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > LongestWaitSeconds) {
                    *m_error = QStringLiteral("--wait takes a number of seconds");
                    return false;
                }
                m_command.waitMs = int(seconds * 1000);
                ++i;
            } else if (word.startsWith(QLatin1String("--"))) {
                return reject(QStringLiteral("unknown option %1").arg(word));
            } else {
                rest << word;
            }
        }
        m_words = rest;
        return true;
    }

    bool parseCommand(const QString &name)
    {
        static const QList<QPair<QString, Kind>> plain = {
            {QStringLiteral("status"), Kind::Status}, {QStringLiteral("list"), Kind::List},
            {QStringLiteral("monitor"), Kind::Monitor}, {QStringLiteral("dust"), Kind::Dust},
            {QStringLiteral("save"), Kind::Save}, {QStringLiteral("show"), Kind::Show},
            {QStringLiteral("sensors"), Kind::Sensors},
        };
        for (const auto &entry : plain) {
            if (name == entry.first) {
                m_command.kind = entry.second;
                return true;
            }
        }
        if (name == QLatin1String("fan"))
            return parseFan();
        if (name == QLatin1String("mode"))
            return parseMode();
        if (name == QLatin1String("led"))
            return parseLed();
        if (name == QLatin1String("curve"))
            return parseCurve();
        if (name == QLatin1String("autorun") || name == QLatin1String("hibernate")) {
            m_command.kind = name == QLatin1String("autorun") ? Kind::AutoRun : Kind::Hibernate;
            return parseTargetSwitch(name);
        }
        return reject(QStringLiteral("unknown command '%1'").arg(name));
    }

    // The first complaint is the one worth telling.
    bool reject(const QString &why)
    {
        if (m_error->isEmpty())
            *m_error = why;
        return false;
    }

    QString next(const char *what)
    {
        if (m_words.isEmpty()) {
            reject(QStringLiteral("missing %1").arg(QLatin1String(what)));
            return QString();
        }
        return m_words.takeFirst();
    }

    bool parseFan()
    {
        m_command.kind = Kind::Fan;
        if (!parseGroup())
            return false;
        const QString level = next("level");
        bool ok = false;
        m_command.number = level.toInt(&ok);
        if (!ok || m_command.number < 0)
            return reject(QStringLiteral("the level is a whole number from 0"));
        return true;
    }

    bool parseGroup()
    {
        m_command.target = next("group (G1 or G2)").toUpper();
        return m_command.target == QLatin1String("G1") || m_command.target == QLatin1String("G2")
            || reject(QStringLiteral("the group is G1 or G2"));
    }

    // "curve G1" shows; "curve G1 default" returns to the CPU load's default
    // curve; "curve G1 SOURCE POINTS" sets. The panel judges source and points.
    bool parseCurve()
    {
        m_command.kind = Kind::Curve;
        if (!parseGroup())
            return false;
        if (m_words.isEmpty())
            return true;
        const QString first = m_words.takeFirst();
        if (first == QLatin1String("default")) {
            m_command.text = QStringLiteral("cpu");
            m_command.points = first;
            return true;
        }
        m_command.text = first;
        m_command.points = next("points (value:level,… or default)");
        return !m_command.points.isEmpty();
    }

    bool parseMode()
    {
        m_command.kind = Kind::Mode;
        m_command.text = next("mode (manual or auto)");
        if (m_command.text != QLatin1String("manual") && m_command.text != QLatin1String("auto"))
            return reject(QStringLiteral("the mode is manual or auto"));
        return true;
    }

    bool parseLed()
    {
        const QString what = next("LED command");
        if (what == QLatin1String("on") || what == QLatin1String("off")) {
            m_command.kind = Kind::LedPower;
            m_command.on = what == QLatin1String("on");
            return true;
        }
        if (what == QLatin1String("cycle")) {
            m_command.kind = Kind::LedCycle;
            return true;
        }
        if (what == QLatin1String("solid") || what == QLatin1String("breathe")) {
            m_command.kind = what == QLatin1String("solid") ? Kind::LedSolid : Kind::LedBreathe;
            const QString colour = next("colour (0 to 13)");
            bool ok = false;
            m_command.number = colour.toInt(&ok);
            if (!ok || m_command.number < 0 || m_command.number >= ColourCount)
                return reject(QStringLiteral("the colour is a number from 0 to 13"));
            return true;
        }
        if (what == QLatin1String("upload")) {
            m_command.kind = Kind::LedUpload;
            const QString file = next("LED law file");
            // The panel runs in a folder of its own.
            m_command.text = file.isEmpty() ? file : QDir::current().absoluteFilePath(file);
            return !file.isEmpty() || reject(QStringLiteral("missing LED law file"));
        }
        return reject(QStringLiteral("led takes on, off, solid N, breathe N, cycle or upload FILE"));
    }

    bool parseTargetSwitch(const QString &name)
    {
        m_command.target = next("fan or led");
        if (m_command.target != QLatin1String("fan") && m_command.target != QLatin1String("led"))
            return reject(QStringLiteral("%1 takes fan or led").arg(name));
        const QString state = next("on or off");
        if (state != QLatin1String("on") && state != QLatin1String("off"))
            return reject(QStringLiteral("%1 %2 takes on or off").arg(name, m_command.target));
        m_command.on = state == QLatin1String("on");
        return true;
    }

    bool takesJson() const
    {
        return m_command.kind == Kind::Status || m_command.kind == Kind::List || m_command.kind == Kind::Monitor
            || m_command.kind == Kind::Sensors;
    }

    QStringList m_words;
    QString *m_error;
    CtlCommand m_command;
    bool m_help = false;
};

} // namespace

std::optional<CtlCommand> CtlCommand::parse(const QStringList &arguments, QString *error)
{
    error->clear();
    return Parser(arguments, error).run();
}

QString CtlCommand::usage()
{
    return QStringLiteral(
        "usage: corvane-ctl [--wait SECONDS] status|list|monitor [--json] | fan G1|G2 LEVEL | mode manual|auto | dust"
        " | led on|off|cycle | led solid|breathe N | led upload FILE | autorun|hibernate fan|led on|off | save | show"
        " | sensors [--json] | curve G1|G2 [SOURCE POINTS|default]");
}

QString CtlCommand::help()
{
    return usage() + QStringLiteral(
        "\n\n"
        "  status [--json]         the controller's state\n"
        "  list [--json]           the controllers present: path, protocol, firmware\n"
        "  monitor [--json]        a line on every change and every second, until interrupted\n"
        "  fan G1|G2 LEVEL         set a fan group to a level of its duty table\n"
        "  mode manual|auto        fans by hand or by their curves (panel only)\n"
        "  dust                    the dust-clearing cycle (panel only)\n"
        "  led on|off              switch the LEDs\n"
        "  led solid|breathe N     solid or breathing colour N (0 to 13)\n"
        "  led cycle               the colour cycle\n"
        "  led upload FILE         play the LED law in FILE (.adl, under 4096 bytes)\n"
        "  autorun fan|led on|off  the controller starts fans or LEDs by itself\n"
        "  hibernate fan|led on|off  the controller stops fans or LEDs when the PC sleeps\n"
        "  save                    the controller keeps its settings without the PC\n"
        "  show                    bring the panel's window forward (panel only)\n"
        "  sensors [--json]        the sources a group can follow in auto, with their values\n"
        "  curve G1|G2             the source and curve a group follows in auto\n"
        "  curve G1|G2 SOURCE POINTS  follow SOURCE (from sensors) through POINTS, such as\n"
        "                          40:2,60:5,75:9 (value:level), or default\n"
        "  curve G1|G2 default     the CPU load with its default curve\n"
        "\n"
        "Through the running panel when it is on the session bus; otherwise the\n"
        "controller is opened directly, waiting up to --wait seconds (default 3)\n"
        "for another program to let it go.\n"
        "Exit status: 0 done, 1 bad usage, 2 no controller (or no panel),\n"
        "3 the controller refused or failed, 4 the controller is in use.");
}
