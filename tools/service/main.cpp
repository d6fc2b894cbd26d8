// tilewick-service: the local web service that the shipped constants point at. It answers
// the picture search over a folder of pictures and the update check from a reply file, on
// 127.0.0.1 only.

#include "LocalService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

int Fail(const QString& message) {
    QTextStream(stderr) << "tilewick-service: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tilewick-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Answers Tilewick's picture search and update check on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on (default 8765; 0 = any free)."),
                                  QStringLiteral("N"), QStringLiteral("8765"));
    const QCommandLineOption pictures(QStringLiteral("pictures"),
                                      QStringLiteral("Folder of pictures to search and serve."),
                                      QStringLiteral("DIR"));
    const QCommandLineOption updateReply(
        QStringLiteral("update-reply"),
        QStringLiteral("File whose contents answer the update check at /update/."),
        QStringLiteral("FILE"));
    parser.addOptions({port, pictures, updateReply});
    parser.process(app);

    bool valid = false;
    const uint number = parser.value(port).toUInt(&valid);
    if (!valid || number > 65535)
        return Fail(QStringLiteral("--port needs a number from 0 to 65535"));

    tw::service::ServiceOptions options;
    options.Port = static_cast<quint16>(number);
    options.Pictures = parser.value(pictures).toStdString();
    options.UpdateReply = parser.value(updateReply).toStdString();
    std::error_code error;
    if (!options.Pictures.empty() && !std::filesystem::is_directory(options.Pictures, error))
        return Fail(QStringLiteral("no picture folder \"%1\"").arg(parser.value(pictures)));
    if (!options.UpdateReply.empty() &&
        !std::filesystem::is_regular_file(options.UpdateReply, error))
        return Fail(QStringLiteral("no update reply file \"%1\"").arg(parser.value(updateReply)));

    tw::service::LocalService service(std::move(options));
    QString reason;
    if (!service.Start(reason))
        return Fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(number).arg(reason));
    // The first line tells a caller that asked for any free port which one it got.
    QTextStream(stdout) << "tilewick-service: listening on http://127.0.0.1:" << service.Port()
                        << "/" << Qt::endl;
    return app.exec();
}
