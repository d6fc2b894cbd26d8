// tilewick-collection: a command-line program over the collection core.
#include "CollectionTool.h"
#include "core/image/Codecs.h"

#include <QFile>
#include <iostream>
#include <unistd.h>

namespace {

std::vector<tw::Picture> BadgeIcons() {
    std::vector<tw::Picture> icons;
    for (const char* name : {"state_online", "state_busy", "state_away"}) {
        QFile file(QStringLiteral(":/tilewick/images/%1.bmp").arg(QLatin1String(name)));
        if (!file.open(QIODevice::ReadOnly)) {
            throw std::runtime_error(std::string("the badge icon ") + name + " is missing");
        }
        const QByteArray bytes = file.readAll();
        icons.push_back(
            tw::DecodePicture(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                        static_cast<std::size_t>(bytes.size())),
                              ".bmp"));
    }
    return icons;
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return tw::tool::RunCollectionTool(args, BadgeIcons(),
                                           {std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1});
    } catch (const std::exception& e) {
        std::cerr << "tilewick-collection: " << e.what() << '\n';
        return 1;
    }
}
