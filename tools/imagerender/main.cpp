// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-imagerender: draws one SVG file into a PNG of a given size.
//
//   corvane-imagerender [--view "x y w h"] [--rotate deg] [--set id:attr=value]...
//                       <input.svg> <output.png> <width>x<height>
//
// --view renders only that part of the drawing (one artboard of a sheet),
// --rotate turns the picture about its centre, and --set overrides one
// attribute of the element with that id before rendering (an empty id means
// the root element), so one drawing can yield several variants.

#include <QCommandLineParser>
#include <QDomDocument>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextStream>

namespace {

struct Override
{
    QString id;
    QString attribute;
    QString value;
};

int fail(const QString &message)
{
    QTextStream(stderr) << "corvane-imagerender: " << message << '\n';
    return 1;
}

bool parseOverride(const QString &text, Override *out)
{
    static const QRegularExpression pattern(QStringLiteral("^([^:]*):([^=]+)=(.*)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    *out = {match.captured(1), match.captured(2), match.captured(3)};
    return true;
}

QDomElement findById(const QDomElement &element, const QString &id)
{
    if (element.attribute(QStringLiteral("id")) == id)
        return element;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QDomElement found = findById(child, id);
        if (!found.isNull())
            return found;
    }
    return {};
}

bool applyOverride(QDomDocument &document, const Override &change)
{
    const QDomElement root = document.documentElement();
    QDomElement target = change.id.isEmpty() ? root : findById(root, change.id);
    if (target.isNull())
        return false;
    target.setAttribute(change.attribute, change.value);
    return true;
}

bool parseSize(const QString &text, QSize *out)
{
    static const QRegularExpression pattern(QStringLiteral("^([1-9][0-9]{0,4})x([1-9][0-9]{0,4})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    *out = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return true;
}

bool parseViewBox(const QString &text, QRectF *out)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return false;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).toDouble(&ok);
        if (!ok)
            return false;
    }
    *out = QRectF(values[0], values[1], values[2], values[3]);
    return out->isValid();
}

QImage render(QSvgRenderer &renderer, const QSize &size, double degrees)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    painter.translate(centre);
    painter.rotate(degrees);
    painter.translate(-centre);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    // A build step never has a display to talk to, nor a session runtime
    // directory to complain about.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "default.warning=false");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders an SVG drawing to a PNG file."));
    parser.addHelpOption();
    const QCommandLineOption viewOption(QStringLiteral("view"),
        QStringLiteral("Part of the drawing to render."), QStringLiteral("x y w h"));
    const QCommandLineOption rotateOption(QStringLiteral("rotate"),
        QStringLiteral("Clockwise turn about the centre."), QStringLiteral("degrees"), QStringLiteral("0"));
    const QCommandLineOption setOption(QStringLiteral("set"),
        QStringLiteral("Attribute override."), QStringLiteral("id:attr=value"));
    parser.addOptions({viewOption, rotateOption, setOption});
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("SVG file"));
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("PNG file"));
    parser.addPositionalArgument(QStringLiteral("size"), QStringLiteral("<width>x<height> in pixels"));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 3)
        return fail(QStringLiteral("expected <input.svg> <output.png> <width>x<height>"));
    QSize size;
    if (!parseSize(args.at(2), &size))
        return fail(QStringLiteral("bad size: %1").arg(args.at(2)));
    bool rotateOk = false;
    const double degrees = parser.value(rotateOption).toDouble(&rotateOk);
    if (!rotateOk)
        return fail(QStringLiteral("bad rotation: %1").arg(parser.value(rotateOption)));

    QFile input(args.at(0));
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(args.at(0)));
    QDomDocument document;
    QString error;
    if (!document.setContent(&input, false, &error))
        return fail(QStringLiteral("%1: %2").arg(args.at(0), error));

    const QStringList overrides = parser.values(setOption);
    for (const QString &text : overrides) {
        Override change;
        if (!parseOverride(text, &change))
            return fail(QStringLiteral("bad --set: %1").arg(text));
        if (!applyOverride(document, change))
            return fail(QStringLiteral("no element with id \"%1\"").arg(change.id));
    }

    QSvgRenderer renderer(document.toByteArray());
    if (!renderer.isValid())
        return fail(QStringLiteral("%1 is not a drawing QtSvg can render").arg(args.at(0)));
    if (parser.isSet(viewOption)) {
        QRectF view;
        if (!parseViewBox(parser.value(viewOption), &view))
            return fail(QStringLiteral("bad view: %1").arg(parser.value(viewOption)));
        renderer.setViewBox(view);
    }

    if (!render(renderer, size, degrees).save(args.at(1), "PNG"))
        return fail(QStringLiteral("cannot write %1").arg(args.at(1)));
    return 0;
}
