#include "pictures/HeifPlugin.h"

#include "pictures/HeifHandler.h"

namespace tarvex::pictures {

QImageIOPlugin::Capabilities HeifPlugin::capabilities(QIODevice* device,
                                                      const QByteArray& format) const {
    if (format == "heic" || format == "heif")
        return CanRead;
    if (!format.isEmpty() || device == nullptr || !device->isReadable())
        return {};
    return HeifHandler::canRead(device) ? CanRead : Capabilities{};
}

QImageIOHandler* HeifPlugin::create(QIODevice* device, const QByteArray& format) const {
    auto* handler = new HeifHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("heic") : format);
    return handler;
}

} // namespace tarvex::pictures
