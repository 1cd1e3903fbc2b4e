#include "HeicPictures.h"

#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <stdexcept>

namespace tarvex::testing {

namespace {

void check(heif_error error) {
    if (error.code != heif_error_Ok)
        throw std::runtime_error(error.message);
}

heif_error appendTo(heif_context*, const void* data, size_t size, void* out) {
    static_cast<QByteArray*>(out)->append(static_cast<const char*>(data),
                                          static_cast<qsizetype>(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

std::shared_ptr<heif_image> heifImageOf(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    heif_image* made = nullptr;
    check(heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB,
                            heif_chroma_interleaved_RGB, &made));
    std::shared_ptr<heif_image> image(made, heif_image_release);
    check(heif_image_add_plane(made, heif_channel_interleaved, rgb.width(), rgb.height(), 8));
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(made, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + static_cast<std::ptrdiff_t>(y) * stride, rgb.constScanLine(y),
                    static_cast<std::size_t>(rgb.width()) * 3);
    return image;
}

void putBigEndian32(QByteArray& data, qsizetype at, quint32 value) {
    for (int i = 0; i < 4; ++i)
        data[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
}

} // namespace

QByteArray writtenAsHeic(const QImage& picture, int orientation) {
    const std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                         heif_context_free);
    heif_encoder* made = nullptr;
    check(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &made));
    const std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> encoder(made,
                                                                         heif_encoder_release);
    check(heif_encoder_set_lossy_quality(encoder.get(), 90));
    const std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> options(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    options->image_orientation = static_cast<heif_orientation>(orientation);
    const auto image = heifImageOf(picture);
    check(heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                    nullptr));
    QByteArray out;
    heif_writer writer{1, appendTo};
    check(heif_context_write(context.get(), &writer, &out));
    return out;
}

QByteArray declaringHeifSize(QByteArray heic, quint32 width, quint32 height) {
    const qsizetype at = heic.indexOf("ispe");
    if (at < 0)
        throw std::runtime_error("no ispe box");
    // "ispe", version and flags (4), width (4), height (4).
    putBigEndian32(heic, at + 8, width);
    putBigEndian32(heic, at + 12, height);
    return heic;
}

} // namespace tarvex::testing
