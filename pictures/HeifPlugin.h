#pragma once

#include <QImageIOPlugin>

namespace tarvex::pictures {

// Qt's entry to the HEIF reader: it answers for the "heic" and "heif" formats, and for any
// device whose first bytes carry a HEIF image brand. Reading only.
class HeifPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "heif.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};

} // namespace tarvex::pictures
