#pragma once

#include <QByteArray>
#include <QImageIOHandler>
#include <QSize>
#include <memory>

struct heif_context;
struct heif_image_handle;

namespace tarvex::pictures {

// Reads the primary image of a HEIF file (HEIC and its kin) with libheif, its rotation, mirroring
// and crop from the file applied, so the image comes out upright. The declared size is known
// without decoding; a scaled size is not supported, so Qt scales after the decode. Pictures
// declaring more than heifPixelBound pixels, or a side longer than heifSideBound, are refused
// before anything is decoded.
class HeifHandler : public QImageIOHandler {
public:
    HeifHandler();
    ~HeifHandler() override;

    static bool canRead(QIODevice* device);

    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;

private:
    struct ContextFree {
        void operator()(heif_context* context) const;
    };
    struct HandleRelease {
        void operator()(heif_image_handle* handle) const;
    };

    // Reads the device and parses the file's boxes once; false when it is no HEIF file or its
    // primary image is beyond the bounds.
    bool parse();
    bool decodeInto(QImage* image);

    bool parsed_ = false;
    QByteArray bytes_;
    std::unique_ptr<heif_context, ContextFree> context_;
    std::unique_ptr<heif_image_handle, HandleRelease> primary_;
    QSize size_;
};

} // namespace tarvex::pictures
