// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the shipped LED laws as .adl files into the directory given as the
// only argument.
#include "ledlawcatalog.h"
#include "ledlawencoder.h"

#include <QDir>
#include <QSaveFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: corvane-ledlawwriter <output directory>\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        err << "cannot create " << dir.path() << '\n';
        return 1;
    }
    for (const auto &[name, law] : LEDLawCatalog::laws()) {
        QSaveFile file(dir.filePath(name + QStringLiteral(".adl")));
        if (!file.open(QIODevice::WriteOnly) || file.write(LEDLawEncoder::encode(law)) < 0 || !file.commit()) {
            err << "cannot write " << file.fileName() << ": " << file.errorString() << '\n';
            return 1;
        }
    }
    return 0;
}
