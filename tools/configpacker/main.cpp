// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-configpacker: packs the readable default configuration (JSON) into
// the MessagePack document the program loads.
//
//   corvane-configpacker <configuration.json> <output.conf>
#include "msgpackwriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "corvane-configpacker: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: corvane-configpacker <configuration.json> <output.conf>\n");
        return 2;
    }
    QFile input(args.at(1));
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(input.fileName(), input.errorString()));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(input.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return fail(QStringLiteral("%1: at offset %2: %3")
                        .arg(input.fileName()).arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        return fail(QStringLiteral("%1: the configuration must be one object").arg(input.fileName()));

    QSaveFile output(args.at(2));
    if (!output.open(QIODevice::WriteOnly)
        || output.write(MsgPackWriter::pack(document.object())) < 0 || !output.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(output.fileName(), output.errorString()));
    return 0;
}
