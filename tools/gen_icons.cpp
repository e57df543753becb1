// Renders the application icon (an SVG file) into the PNG sizes a desktop looks for.
//
//   gen_icons <icon.svg> <output dir> <size>...
//
// writes <output dir>/<size>.png for every size.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: gen_icons <icon.svg> <output dir> <size>...\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(0));
    if (!renderer.isValid()) {
        err << "gen_icons: cannot read " << args.at(0) << '\n';
        return 1;
    }
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            err << "gen_icons: not a size: " << args.at(i) << '\n';
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString file = args.at(1) + QStringLiteral("/%1.png").arg(size);
        if (!image.save(file, "PNG")) {
            err << "gen_icons: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
